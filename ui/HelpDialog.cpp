#include "ui/HelpDialog.h"

#include <QKeyEvent>

#include "ui/HelpViewer.h"

CHelpDialog::CHelpDialog(QWidget* parent) : QDialog(parent) {}

CHelpDialog::CHelpDialog(int templateId, QWidget* parent)
    : QDialog(parent), m_templateId(templateId) {}

void CHelpDialog::OnHelp() {
    OpenHelp(m_helpPage);
}

void CHelpDialog::keyPressEvent(QKeyEvent* event) {
    // F1 that no control of the dialog took reaches the dialog here.
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OnHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
