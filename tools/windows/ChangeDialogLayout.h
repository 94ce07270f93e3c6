#pragma once
// The shape the two change dialogs share: their own controls in a column,
// "Include files in sub folders" under them, OK and Cancel at the right.

#include <functional>

class QCheckBox;
class QDialog;
class QLayout;

// Lays out `dialog` around `controls`; returns the sub-folder box, named by
// `subFoldersId`. OK runs `onOK`, Cancel closes the dialog.
QCheckBox* LayOutChangeDialog(QDialog* dialog, QLayout* controls, int subFoldersId,
                              std::function<void()> onOK);
