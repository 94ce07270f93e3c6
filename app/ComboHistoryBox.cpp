#include "app/ComboHistoryBox.h"

#include <QComboBox>
#include <QStringList>

void UseComboHistory(CComboHistory& history, QComboBox* combo) {
    const QString text = combo->currentText();
    history.SetText(text.toStdString());
    history.UpdateComboHistoryScores();
    history.AddComboHistoryItem();
    ShowComboHistory(history, combo);
    combo->setEditText(text);
}

void ShowComboHistory(const CComboHistory& history, QComboBox* combo) {
    QStringList items;
    for (const CComboHistory::Item& item : history.GetItems())
        items << QString::fromStdString(item.text);
    combo->clear();
    combo->addItems(items);
}
