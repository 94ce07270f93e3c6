#include "app/IncludeStringWizard.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>

CIncludeStringWizard::CIncludeStringWizard(QWidget* parent) : CHelpDialog(IDD, parent) {
    setWindowTitle(QStringLiteral("Include String Wizard"));
    SetHelpPage(QString::fromLatin1(kIncludeStringHelpPage));
    auto* grid = new QGridLayout;
    for (int row = 0; row < kIncludeWizardRows; ++row) {
        const QString suffix = QString::number(row + 1);
        RowControls& controls = m_rows[static_cast<std::size_t>(row)];
        controls.include = new QComboBox;
        controls.include->setObjectName(QStringLiteral("IncludeCombo") + suffix);
        controls.include->addItems({QStringLiteral("Include"), QStringLiteral("Not Include")});
        controls.kind = new QComboBox;
        controls.kind->setObjectName(QStringLiteral("KindCombo") + suffix);
        controls.kind->addItems(
            {QStringLiteral("String"), QStringLiteral("Hex Number"), QStringLiteral("Dec Number")});
        controls.text = new QLineEdit;
        controls.text->setObjectName(QStringLiteral("TextEdit") + suffix);
        grid->addWidget(controls.include, 2 * row, 0);
        grid->addWidget(controls.kind, 2 * row, 1);
        grid->addWidget(controls.text, 2 * row, 2);
        if (row + 1 < kIncludeWizardRows) {
            auto* connector = new QComboBox;
            connector->setObjectName(QStringLiteral("ConnectorCombo") + suffix);
            connector->addItems({QStringLiteral("And"), QStringLiteral("Or")});
            m_connectors[static_cast<std::size_t>(row)] = connector;
            grid->addWidget(connector, 2 * row + 1, 0);
        }
    }
    grid->setColumnStretch(2, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CIncludeStringWizard::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CIncludeStringWizard::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CIncludeStringWizard::accept() {
    IncludeWizardRow rows[kIncludeWizardRows];
    int connectors[kIncludeWizardRows - 1];
    for (int row = 0; row < kIncludeWizardRows; ++row) {
        const RowControls& controls = m_rows[static_cast<std::size_t>(row)];
        rows[row].include = controls.include->currentIndex();
        rows[row].kind = controls.kind->currentIndex();
        rows[row].text = controls.text->text().toStdString();
        if (row + 1 < kIncludeWizardRows)
            connectors[row] = m_connectors[static_cast<std::size_t>(row)]->currentIndex();
    }
    int badRow = -1;
    const std::optional<std::string> built = BuildIncludeString(rows, connectors, &badRow);
    if (!built) {
        // Keep the dialog open on the text that is no number.
        QLineEdit* bad = m_rows[static_cast<std::size_t>(badRow)].text;
        bad->setFocus();
        bad->selectAll();
        QApplication::beep();
        return;
    }
    m_sIncludeString = QString::fromStdString(*built);
    CHelpDialog::accept();
}
