#include "ui/ProgramMessage.h"

#include "platform/StringTable.h"
#include "ui/ResourceText.h"

std::unique_ptr<QMessageBox> MakeProgramMessage(QWidget* parent, const QString& text,
                                                QMessageBox::Icon icon) {
    return std::make_unique<QMessageBox>(icon, ResourceText(IDS_PROGRAM_NAME), text,
                                         QMessageBox::Ok, parent);
}

void ShowProgramMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    MakeProgramMessage(parent, text, icon)->exec();
}
