#include "tools/windows/ChangeDialogLayout.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/DialogButtons.h"
#include "ui/IconResources.h"

QCheckBox* LayOutChangeDialog(QDialog* dialog, QLayout* controls, int subFoldersId,
                              std::function<void()> onOK) {
    auto* subFolders = new QCheckBox(QStringLiteral("Include files in sub &folders"), dialog);
    subFolders->setObjectName(QString::number(subFoldersId));
    auto* left = new QVBoxLayout;
    left->addLayout(controls);
    left->addWidget(subFolders);
    left->addStretch(1);
    auto* buttons = new QVBoxLayout;
    AddDialogButtons(dialog, buttons,
                     {{IDOK, "OK", IDI_OK, std::move(onOK)}, {IDCANCEL, "Cancel", IDI_CANCEL, {}}});
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    return subFolders;
}
