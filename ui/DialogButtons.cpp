#include "ui/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>

#include "ui/HoverButton.h"
#include "ui/IconResources.h"

void AddDialogButtons(QDialog* dialog, QBoxLayout* layout,
                      std::initializer_list<DialogButton> buttons) {
    for (const DialogButton& entry : buttons) {
        auto* button = new CHoverButton(QString::fromLatin1(entry.text), dialog);
        button->setObjectName(QString::number(entry.id));
        button->SetIcon(entry.icon);
        button->setAutoDefault(false);
        if (entry.id == IDOK || entry.id == IDCANCEL)
            button->SetBtnCursor(IDC_HAND_CURSOR);
        if (entry.id == IDOK)
            button->setDefault(true);
        if (entry.onClick)
            QObject::connect(button, &QPushButton::clicked, dialog, entry.onClick);
        else
            QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
        if (entry.gapBefore)
            layout->addSpacing(12);
        layout->addWidget(button);
    }
    layout->addStretch(1);
}
