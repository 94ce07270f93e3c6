#include "ui/CommonControlsCheck.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <QtGlobal>

#include <charconv>
#include <cstring>

#include "ui/HoverButton.h"
#include "ui/IconResources.h"

namespace {

constexpr int kWarningTextWidth = 320;

}  // namespace

bool IsRuntimeVersionAtLeast(const char* running, int required) {
    if (!running)
        return false;
    const char* p = running;
    const char* end = running + std::strlen(running);
    int parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const auto [next, error] = std::from_chars(p, end, parts[i]);
        if (error != std::errc() || parts[i] < 0 || parts[i] > 255)
            return false;
        p = next;
        if (p == end)
            break;
        if (*p != '.')
            return false;
        ++p;
    }
    return ((parts[0] << 16) | (parts[1] << 8) | parts[2]) >= required;
}

int IsCommonControls5() {
    return IsRuntimeVersionAtLeast(qVersion(), QT_VERSION) ? 1 : 0;
}

int CheckCommonControls(DWORD& checkSysDll, int commonControlsOk,
                        const std::function<bool()>& showWarning, const UrlOpener& openUrl) {
    if (checkSysDll == 0)
        return 1;
    if (commonControlsOk) {
        checkSysDll = 0;
        return 1;
    }
    if (showWarning())
        checkSysDll = 0;
    openUrl(QUrl(QString::fromLatin1(kRuntimeDownloadPage)));
    return 0;
}

int CheckCommonControls(QWidget* parent, DWORD& checkSysDll) {
    // The version is asked only when the setting wants the check.
    return CheckCommonControls(
        checkSysDll, checkSysDll != 0 ? IsCommonControls5() : 1,
        [parent] {
            CIEWarningDlg warning(parent);
            warning.exec();
            return warning.DontShowAgain();
        },
        OpenUrlWithDesktop);
}

CIEWarningDlg::CIEWarningDlg(QWidget* parent) : CHelpDialog(IDD_IEWARNING, parent) {
    SetHelpPage(QString::fromLatin1(kIEWarningHelpPage));
    setWindowTitle(QStringLiteral("Warning"));

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* text = new QLabel(QString::fromLatin1(kIEWarningText), this);
    text->setObjectName(QString::number(IDC_IEWARNING_TEXT));
    text->setWordWrap(true);
    text->setMinimumWidth(kWarningTextWidth);
    QPalette darkRed = text->palette();
    darkRed.setColor(QPalette::WindowText, QColor(128, 0, 0));
    text->setPalette(darkRed);

    m_dontShow = new QCheckBox(QStringLiteral("Don't show it again"), this);
    m_dontShow->setObjectName(QString::number(IDC_IEWARNING_DONT_SHOW));

    m_ok = new CHoverButton(QStringLiteral("OK"), this);
    m_ok->SetIcon(IDI_OK);
    m_ok->SetBtnCursor(IDC_HAND_CURSOR);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* message = new QHBoxLayout;
    message->addWidget(icon);
    message->addWidget(text, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_dontShow);
    bottom->addStretch(1);
    bottom->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(message);
    layout->addLayout(bottom);

    m_dontShow->setFocus();
}
