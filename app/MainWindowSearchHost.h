#pragma once
// The main window's side of a search (ISearchHost): every call the search
// thread makes is carried over to the window's thread and shown there: the
// Find button's face, the status bar, the look-in box, the busy cursor with
// the commands a running search grays, the duplicate finder's column going,
// the window brought to the front and the beep at the end. The rows go to
// the list's model, not here.

#include <QObject>
#include <QString>

#include <functional>
#include <string>

#include "app/engine/SearchHost.h"

class CColumnChoice;
class CElidedLabel;
class CHoverButton;
class CMainMenu;
class QWidget;

class CMainWindowSearchHost : public QObject, public ISearchHost {
    Q_OBJECT
public:
    // The window and the controls the calls change, all of which must
    // outlive the host; `showLookIn` shows the place being searched.
    CMainWindowSearchHost(QWidget* window, CMainMenu* menu, CHoverButton* findButton,
                          CElidedLabel* statusPane, CColumnChoice* columns,
                          std::function<void(const QString& path)> showLookIn);

    // ISearchHost, from any thread: at once on the window's thread, else
    // queued to it in the order of the calls.
    void SetSearchButtonState(bool ready) override;
    void SetStatusText(const std::string& text) override;
    void SetLookInText(const std::string& text) override;
    void BeginSearchUi() override;
    void EndSearchUi() override;
    void RemoveDupNoColumn() override;
    void BringToFront() override;
    void SearchEnded() override;

    // The status bar's text as shown.
    QString StatusText() const;

private:
    void RunOnWindowThread(std::function<void()> call);

    QWidget* m_pWindow;
    CMainMenu* m_pMenu;
    CHoverButton* m_pFindButton;
    CElidedLabel* m_pStatusPane;
    CColumnChoice* m_pColumns;
    std::function<void(const QString& path)> m_showLookIn;
};
