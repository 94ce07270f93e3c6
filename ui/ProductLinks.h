#pragma once
// The program's web addresses and the way windows open them. The addresses
// are configuration values of this build; no vendor server exists yet, so
// the product pages use a reserved example domain.

#include <QUrl>

#include <functional>

inline constexpr char kProductWebSite[] = "https://zembrolt.example.org/";
inline constexpr char kMakerWebSite[] = "https://www.example.org/";
inline constexpr char kSupportMail[] = "support@zembrolt.example.org";
// Where the Qt runtime libraries the program needs can be had.
inline constexpr char kRuntimeDownloadPage[] =
    "https://packages.debian.org/bookworm/libqt6widgets6";

// Opens an address; answers whether it could be handed on. Windows take one
// so that tests can see what would be opened without opening anything.
using UrlOpener = std::function<bool(const QUrl&)>;

// Hands the address to the desktop (the user's browser or mail program).
bool OpenUrlWithDesktop(const QUrl& url);
