#pragma once
// The About box: a picture strip, the program icon and version, an OK button
// and the links to the product's and the maker's web sites and the support
// mail address.

#include <QHash>
#include <QLabel>

#include "ui/HelpDialog.h"
#include "ui/ProductLinks.h"

class CHoverButton;

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
    explicit CAboutDlg(QWidget* parent = nullptr, UrlOpener opener = OpenUrlWithDesktop);

    // The link control `id` (IDC_ABOUT_*_LINK) and the address it opens.
    QLabel* Link(int id) const;
    QUrl LinkTarget(int id) const;
    CHoverButton* OkButton() const { return m_ok; }

private:
    QLabel* MakeLink(int id, const QUrl& target, const QString& shown);

    UrlOpener m_opener;
    QHash<int, QUrl> m_targets;  // link id -> address
    CHoverButton* m_ok = nullptr;
};
