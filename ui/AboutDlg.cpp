#include "ui/AboutDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/HoverButton.h"
#include "ui/IconResources.h"

namespace {

constexpr int kPictureHeight = 56;
constexpr int kPictureWidth = 360;

// The picture strip at the top of the box.
QPixmap AboutPicture() {
    QPixmap picture(kPictureWidth, kPictureHeight);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, kPictureWidth, 0);
    gradient.setColorAt(0, QColor(0, 51, 102));
    gradient.setColorAt(1, QColor(102, 153, 204));
    painter.fillRect(picture.rect(), gradient);
    QFont font = painter.font();
    font.setPointSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(picture.rect().adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Zembrolt"));
    return picture;
}

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

    auto* picture = new QLabel(this);
    picture->setObjectName(QString::number(IDC_ABOUT_PICTURE));
    picture->setPixmap(AboutPicture());
    picture->setAlignment(Qt::AlignCenter);

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
    layout->addWidget(picture);
    layout->addLayout(head);
    layout->addLayout(links);
    layout->addLayout(buttons);
}

QLabel* CAboutDlg::MakeLink(int id, const QUrl& target, const QString& shown) {
    m_targets.insert(id, target);
    auto* link = new QLabel(this);
    link->setObjectName(QString::number(id));
    link->setTextFormat(Qt::RichText);
    link->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(target.toString(QUrl::FullyEncoded).toHtmlEscaped(), shown.toHtmlEscaped()));
    link->setToolTip(target.toString());
    link->setCursor(Qt::PointingHandCursor);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    connect(link, &QLabel::linkActivated, this,
            [this](const QString& href) { m_opener(QUrl(href)); });
    return link;
}

QLabel* CAboutDlg::Link(int id) const {
    return findChild<QLabel*>(QString::number(id));
}

QUrl CAboutDlg::LinkTarget(int id) const {
    return m_targets.value(id);
}
