#include "ui/AboutDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/DibStatic.h"
#include "ui/HoverButton.h"
#include "ui/HyperlinkStatic.h"
#include "ui/IconResources.h"

namespace {

QIcon ProgramIcon() {
    const QIcon icon = QApplication::windowIcon();
    return icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView)
                         : icon;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, UrlOpener opener)
    : CHelpDialog(IDD_ABOUTBOX, parent), m_opener(std::move(opener)) {
    SetHelpPage(QString::fromLatin1(kAboutHelpPage));
    setWindowTitle(QStringLiteral("About Zembrolt"));

    m_picture = new CDibStatic(this);
    m_picture->setObjectName(QString::number(IDC_ABOUT_PICTURE));
    m_picture->LoadDib();

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    auto* version = new QLabel(QString::fromLatin1(kAboutVersionText), this);

    auto* links = new QGridLayout;
    links->addWidget(new QLabel(QStringLiteral("Home Page:"), this), 0, 0);
    links->addWidget(MakeLink(IDC_ABOUT_PRODUCT_LINK, QUrl(QString::fromLatin1(kProductWebSite)),
                              QString::fromLatin1(kProductWebSite)),
                     0, 1);
    links->addWidget(MakeLink(IDC_ABOUT_MAKER_LINK, QUrl(QString::fromLatin1(kMakerWebSite)),
                              QString::fromLatin1(kMakerWebSite)),
                     1, 1);
    links->addWidget(new QLabel(QStringLiteral("Feedback:"), this), 2, 0);
    links->addWidget(MakeLink(IDC_ABOUT_MAIL_LINK,
                              QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMail)),
                              QString::fromLatin1(kSupportMail)),
                     2, 1);

    m_ok = new CHoverButton(QStringLiteral("OK"), this);
    m_ok->SetIcon(IDI_OK);
    m_ok->SetBtnCursor(IDC_HAND_CURSOR);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* head = new QHBoxLayout;
    head->addWidget(icon);
    head->addWidget(version, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_picture, 0, Qt::AlignHCenter);
    layout->addLayout(head);
    layout->addLayout(links);
    layout->addLayout(buttons);
}

CHyperlinkStatic* CAboutDlg::MakeLink(int id, const QUrl& target, const QString& shown) {
    m_targets.insert(id, target);
    auto* link = new CHyperlinkStatic(shown, this);
    link->setObjectName(QString::number(id));
    link->SetURL(target.toString(QUrl::FullyEncoded));
    link->SetOpeners(m_opener, StartDesktopOpener);
    return link;
}

CHyperlinkStatic* CAboutDlg::Link(int id) const {
    return findChild<CHyperlinkStatic*>(QString::number(id));
}

QUrl CAboutDlg::LinkTarget(int id) const {
    return m_targets.value(id);
}
