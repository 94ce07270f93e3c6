#include "tools/windows/FilePropertiesSheet.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "ui/MyPropertyPage1.h"
#include "ui/ResourceText.h"

CFilePropertiesSheet::CFilePropertiesSheet(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(ResourceText(IDS_PROPERTIES));
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new QTabWidget(this);
    m_pTabs->tabBar()->setExpanding(false);
    layout->addWidget(m_pTabs);
    // The standard buttons; the sheet has no Help button.
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_pApply = buttons->addButton(QDialogButtonBox::Apply);
    ok->setObjectName(QStringLiteral("IDOK"));
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    m_pApply->setObjectName(QStringLiteral("ID_APPLY_NOW"));
    connect(ok, &QPushButton::clicked, this, [this] { OnCommand(IDOK); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCommand(IDCANCEL); });
    connect(m_pApply, &QPushButton::clicked, this, [this] { OnCommand(ID_APPLY_NOW); });
    layout->addWidget(buttons);
    m_pPlaceholder = new CMyPropertyPage1(this);
    AddPage(m_pPlaceholder, m_pPlaceholder->windowTitle());
}

void CFilePropertiesSheet::AddPage(QWidget* page, const QString& title) {
    m_pTabs->addTab(page, title);
}

void CFilePropertiesSheet::RemovePage(QWidget* page) {
    const int index = m_pTabs->indexOf(page);
    if (index < 0)
        return;
    m_pTabs->removeTab(index);
    page->deleteLater();
}

int CFilePropertiesSheet::GetPageCount() const {
    return m_pTabs->count();
}

QWidget* CFilePropertiesSheet::GetPage(int index) const {
    return m_pTabs->widget(index);
}

bool CFilePropertiesSheet::ShowWithPages() {
    if (m_pPlaceholder) {
        RemovePage(m_pPlaceholder);
        m_pPlaceholder = nullptr;
    }
    if (GetPageCount() == 0) {
        m_bClosing = true;
        deleteLater();
        return false;
    }
    adjustSize();
    const QWidget* owner = parentWidget();
    const QRect area = owner ? owner->window()->frameGeometry()
                             : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid())
        move(area.center() - rect().center());
    m_pTabs->setCurrentIndex(0);
    show();
    return true;
}

IFilePropertyPage* CFilePropertiesSheet::Protocol(QWidget* page) {
    return dynamic_cast<IFilePropertyPage*>(page);
}

bool CFilePropertiesSheet::KillActive() {
    IFilePropertyPage* current = Protocol(m_pTabs->currentWidget());
    return !current || current->OnKillActive();
}

bool CFilePropertiesSheet::ApplyAll() {
    for (int i = 0; i < GetPageCount(); ++i) {
        IFilePropertyPage* page = Protocol(GetPage(i));
        if (page && !page->OnApply())
            return false;
    }
    return true;
}

bool CFilePropertiesSheet::OnCommand(int id) {
    switch (id) {
        case IDOK:
            if (!KillActive() || !ApplyAll())
                return false;
            break;
        case IDCANCEL:
            for (int i = 0; i < GetPageCount(); ++i) {
                IFilePropertyPage* page = Protocol(GetPage(i));
                if (page && !page->OnQueryCancel())
                    return false;
            }
            break;
        case ID_APPLY_NOW:
            return KillActive() && ApplyAll();
        default:
            return false;
    }
    m_bClosing = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return true;
}

void CFilePropertiesSheet::closeEvent(QCloseEvent* event) {
    if (m_bClosing) {
        event->accept();
        return;
    }
    // The close box asks like Cancel; a Cancel the pages allow closes the
    // sheet through the close it queues.
    OnCommand(IDCANCEL);
    event->ignore();
}
