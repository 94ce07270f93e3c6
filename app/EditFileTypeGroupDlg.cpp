#include "app/EditFileTypeGroupDlg.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/HoverButton.h"
#include "ui/IconResources.h"

namespace {

// The OK/Cancel buttons of the dialog.
CHoverButton* MakeButton(const QString& text, int iconId, QWidget* parent) {
    auto* button = new CHoverButton(text, parent);
    button->SetIcon(iconId);
    button->SetBtnCursor(IDC_HAND_CURSOR);
    return button;
}

}  // namespace

CEditFileTypeGroupDlg::CEditFileTypeGroupDlg(const QString& name, const QString& patterns,
                                             QWidget* parent)
    : CHelpDialog(IDD_EDIT_FILE_TYPE_GROUP, parent) {
    SetHelpPage(QString::fromLatin1(kEditFileTypeGroupHelpPage));
    setWindowTitle(QStringLiteral("Edit File Type Group"));

    m_name = new QLineEdit(name, this);
    m_name->setObjectName(QString::number(IDC_GROUP_NAME_EDIT));
    m_patterns = new QPlainTextEdit(this);
    m_patterns->setObjectName(QString::number(IDC_GROUP_PATTERNS_EDIT));
    m_patterns->setPlainText(patterns);
    m_patterns->setTabChangesFocus(true);
    m_patterns->installEventFilter(this);

    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), this);
    nameLabel->setBuddy(m_name);
    auto* patternsLabel = new QLabel(QStringLiteral("&Search File Name:"), this);
    patternsLabel->setBuddy(m_patterns);

    m_ok = MakeButton(QStringLiteral("OK"), IDI_OK, this);
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    m_cancel = MakeButton(QStringLiteral("Cancel"), IDI_CANCEL, this);
    m_cancel->setObjectName(QStringLiteral("2"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(patternsLabel, 1, 0, Qt::AlignTop);
    fields->addWidget(m_patterns, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    // About 240 x 110 dialog units.
    const QFontMetrics metrics(font());
    resize(240 * metrics.averageCharWidth() / 4, 110 * metrics.height() / 8);
    m_name->setFocus();
}

QString CEditFileTypeGroupDlg::GetName() const {
    return m_name->text();
}

QString CEditFileTypeGroupDlg::GetPatterns() const {
    return m_patterns->toPlainText();
}

bool CEditFileTypeGroupDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_patterns && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            accept();
            return true;
        }
    }
    return CHelpDialog::eventFilter(watched, event);
}
