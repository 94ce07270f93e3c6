#pragma once
// The About box: the banner, the program icon and version, an OK button and
// the links to the product's and the maker's web sites and the support mail
// address.

#include <QHash>
#include <QUrl>

#include "ui/HelpDialog.h"
#include "ui/ProductLinks.h"

class CDibStatic;
class CHoverButton;
class CHyperlinkStatic;

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDC_ABOUT_PICTURE = 1101;
constexpr int IDC_ABOUT_MAKER_LINK = 1008;
constexpr int IDC_ABOUT_MAIL_LINK = 1009;
constexpr int IDC_ABOUT_PRODUCT_LINK = 1010;

inline constexpr char kAboutHelpPage[] = "aboutdlg.htm";
inline constexpr char kAboutVersionText[] = "Zembrolt Version 1.14";

class CAboutDlg : public CHelpDialog {
    Q_OBJECT
public:
    // The links hand their addresses to `opener` first.
    explicit CAboutDlg(QWidget* parent = nullptr, UrlOpener opener = OpenUrlWithDesktop);

    // The link control `id` (IDC_ABOUT_*_LINK) and the address it opens.
    CHyperlinkStatic* Link(int id) const;
    QUrl LinkTarget(int id) const;
    CHoverButton* OkButton() const { return m_ok; }
    CDibStatic* Picture() const { return m_picture; }

private:
    CHyperlinkStatic* MakeLink(int id, const QUrl& target, const QString& shown);

    UrlOpener m_opener;
    QHash<int, QUrl> m_targets;  // link id -> address
    CHoverButton* m_ok = nullptr;
    CDibStatic* m_picture = nullptr;
};
