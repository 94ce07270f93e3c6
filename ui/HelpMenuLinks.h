#pragma once
// The addresses that the Help menu's "Send Feedback" and "Tell a
// Friend/Colleague" commands open (maximised, with the verb "open").

#include <QUrl>

// A "mailto:" link to the support mail address.
QUrl SendFeedbackUrl();
// The product site's page "tellfriend.htm".
QUrl TellFriendUrl();
