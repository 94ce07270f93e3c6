#pragma once
// The export dialog: a file dialog for saving, with the four export types as
// its file types (PLS chosen at first) and, below the standard controls, the
// "Export Range" group (172) with "All" (1039, chosen at first) and "Only
// selected" (1052) under a separator line (1057). A name typed without an
// extension gets the chosen type's; an existing file is replaced only after
// the user agrees.

#include <QFileDialog>

#include "app/engine/ResultExport.h"

class QRadioButton;

class CExportDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit CExportDialog(QWidget* parent = nullptr);

    // What the user chose, read when the dialog was accepted.
    ExportType GetType() const { return m_type; }
    bool IsOnlySelected() const { return m_bOnlySelected; }

    // The file type shown in the type box (and its default extension).
    void SetType(ExportType type);
    QRadioButton* AllButton() const { return m_pAll; }
    QRadioButton* SelectedButton() const { return m_pSelected; }

    void accept() override;

private:
    ExportType TypeOfFilter(const QString& filter) const;

    QRadioButton* m_pAll = nullptr;
    QRadioButton* m_pSelected = nullptr;
    ExportType m_type = ExportType::Pls;
    bool m_bOnlySelected = false;
};
