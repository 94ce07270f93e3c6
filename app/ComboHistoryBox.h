#pragma once
// A scored history (CComboHistory) shown in an editable combo box.

#include "app/engine/ComboHistory.h"

class QComboBox;

// Shows the history's items in the box, each with its score as its data;
// the box's text stays as it was, and the box sends no signal meanwhile.
void ShowComboHistory(const CComboHistory& history, QComboBox* combo);
// Ages the history's scores, credits the box's current text and shows the
// history's items in the box.
void UseComboHistory(CComboHistory& history, QComboBox* combo);
