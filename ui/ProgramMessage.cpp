#include "ui/ProgramMessage.h"

#include "platform/StringTable.h"
#include "ui/ResourceText.h"

void ShowProgramMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, ResourceText(IDS_PROGRAM_NAME), text, QMessageBox::Ok, parent);
    box.exec();
}
