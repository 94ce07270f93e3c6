#include "app/ComboHistoryBox.h"

#include <QComboBox>
#include <QSignalBlocker>

void UseComboHistory(CComboHistory& history, QComboBox* combo) {
    history.SetText(combo->currentText().toStdString());
    history.UpdateComboHistoryScores();
    history.AddComboHistoryItem();
    ShowComboHistory(history, combo);
}

void ShowComboHistory(const CComboHistory& history, QComboBox* combo) {
    const QString text = combo->currentText();
    const QSignalBlocker block(combo);
    combo->clear();
    for (const CComboHistory::Item& item : history.GetItems())
        combo->addItem(QString::fromStdString(item.text), item.score);
    combo->setEditText(text);
}
