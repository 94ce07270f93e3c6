#include "app/MainWindowSearchHost.h"

#include <QApplication>
#include <QFile>
#include <QThread>
#include <QWidget>

#include <utility>

#include "app/ColumnChoice.h"
#include "app/MainMenu.h"
#include "app/engine/DataFile.h"
#include "platform/StringTable.h"
#include "ui/ElidedLabel.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ResourceText.h"

CMainWindowSearchHost::CMainWindowSearchHost(QWidget* window, CMainMenu* menu,
                                             CHoverButton* findButton, CElidedLabel* statusPane,
                                             CColumnChoice* columns,
                                             std::function<void(const QString& path)> showLookIn)
    : QObject(window),
      m_pWindow(window),
      m_pMenu(menu),
      m_pFindButton(findButton),
      m_pStatusPane(statusPane),
      m_pColumns(columns),
      m_showLookIn(std::move(showLookIn)) {}

void CMainWindowSearchHost::RunOnWindowThread(std::function<void()> call) {
    if (QThread::currentThread() == thread())
        call();
    else
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CMainWindowSearchHost::SetSearchButtonState(bool ready) {
    RunOnWindowThread([this, ready] {
        m_pFindButton->SetIcon(LoadIconResource(ready ? IDI_SEARCH : IDI_STOP, 16));
        m_pFindButton->setText(ready ? ResourceText(IDS_SEARCH) : ResourceText(IDS_STOP));
        m_pFindButton->update();
    });
}

void CMainWindowSearchHost::SetStatusText(const std::string& text) {
    RunOnWindowThread(
        [this, message = QString::fromStdString(text)] { m_pStatusPane->setText(message); });
}

QString CMainWindowSearchHost::StatusText() const {
    return m_pStatusPane->text();
}

void CMainWindowSearchHost::SetLookInText(const std::string& text) {
    RunOnWindowThread([this, path = QFile::decodeName(text.c_str())] { m_showLookIn(path); });
}

void CMainWindowSearchHost::BeginSearchUi() {
    // The busy cursor over the window while the search runs, and the
    // commands that need the finished result grayed.
    RunOnWindowThread([this] {
        m_pWindow->setCursor(Qt::BusyCursor);
        m_pMenu->SetSearching(true);
    });
}

void CMainWindowSearchHost::EndSearchUi() {
    RunOnWindowThread([this] {
        m_pWindow->unsetCursor();
        m_pMenu->SetSearching(false);
    });
}

void CMainWindowSearchHost::RemoveDupNoColumn() {
    RunOnWindowThread([this] { m_pColumns->RemoveColumn(kDupNoColumnId); });
}

void CMainWindowSearchHost::BringToFront() {
    RunOnWindowThread([this] {
        m_pWindow->raise();
        m_pWindow->activateWindow();
    });
}

void CMainWindowSearchHost::SearchEnded() {
    RunOnWindowThread([this] {
        QApplication::beep();
        m_pWindow->unsetCursor();
    });
}
