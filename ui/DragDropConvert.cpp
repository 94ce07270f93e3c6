#include "ui/DragDropConvert.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "platform/UriList.h"

DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    DWORD state = 0;
    if (buttons & Qt::LeftButton)
        state |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        state |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        state |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        state |= MK_CONTROL;
    if (modifiers & Qt::AltModifier)
        state |= MK_ALT;
    return state;
}

DWORD EffectsOf(Qt::DropActions actions) {
    DWORD effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction)
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropAction DropActionOf(DWORD effect) {
    switch (effect) {
        case DROPEFFECT_COPY:
            return Qt::CopyAction;
        case DROPEFFECT_MOVE:
            return Qt::MoveAction;
        case DROPEFFECT_LINK:
            return Qt::LinkAction;
        default:
            return Qt::IgnoreAction;
    }
}

Qt::DropActions DropActionsOf(DWORD effects) {
    Qt::DropActions actions;
    for (const DWORD each : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
        if (effects & each)
            actions |= DropActionOf(each);
    }
    return actions;
}

std::vector<std::string> DroppedPaths(const QMimeData* data) {
    if (data == nullptr)
        return {};
    const QString uriList = QStringLiteral("text/uri-list");
    if (data->hasFormat(uriList))
        return ParseUriList(data->data(uriList).toStdString());
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

void AnswerDropEvent(QDropEvent* event, DWORD effect) {
    const Qt::DropAction action = DropActionOf(effect);
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}
