// Every dialog and option page, and the main window after a real search, at
// its default size in a known font: no label, button, check box, picker or
// tab caption is cut. The font is DejaVu Sans (Debian's fonts-dejavu-core),
// so the test measures the same text on every machine.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include "app/AdvanceOptionSheet.h"
#include "app/DateOptionPage.h"
#include "app/EditFileTypeGroupDlg.h"
#include "app/ExportDialog.h"
#include "app/FileTypeGroupDlg.h"
#include "app/IncludeStringWizard.h"
#include "app/LogWindow.h"
#include "app/OptionDlg.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "app/engine/FileTypeGroups.h"
#include "gui/FreshUserFolders.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"
#include "platform/FileOperation.h"
#include "platform/StringTable.h"
#include "ui/AboutDlg.h"
#include "ui/CommonControlsCheck.h"
#include "ui/ElidedLabel.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/HoverButton.h"
#include "ui/ProgramMessage.h"
#include "ui/ProgressDlg.h"
#include "ui/ResourceText.h"

namespace {

constexpr char kKnownFamily[] = "DejaVu Sans";

QString Describe(const QWidget* widget) {
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        text = label->text();
    else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    return QStringLiteral("%1 \"%2\" (%3) %4x%5")
        .arg(QString::fromLatin1(widget->metaObject()->className()), text, widget->objectName())
        .arg(widget->width())
        .arg(widget->height());
}

// Whether `widget` lies inside the item area of a list, tree or table (an
// editor or a viewport's own child), where cells elide by design.
bool InsideItemView(const QWidget* widget, const QWidget* top) {
    for (const QWidget* p = widget->parentWidget(); p && p != top; p = p->parentWidget()) {
        if (const auto* area = qobject_cast<const QAbstractScrollArea*>(p)) {
            if (area->viewport()->isAncestorOf(widget) || area->viewport() == widget)
                return true;
        }
    }
    return false;
}

// The widest text a date picker shows for any weekday and month.
int WidestDateText(const QDateTimeEdit* picker) {
    const QFontMetrics metrics = picker->fontMetrics();
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        for (int day = 22; day <= 28; ++day) {
            const QString text =
                picker->locale().toString(QDate(2028, month, day), picker->displayFormat());
            widest = std::max(widest, metrics.horizontalAdvance(text));
        }
    }
    return widest;
}

// One line for every control of `top` (shown as it is) whose text does not fit.
QStringList ClippedTexts(QWidget* top) {
    QStringList problems;
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(top) || InsideItemView(widget, top))
            continue;
        const bool checked = qobject_cast<QLabel*>(widget) ||
                             qobject_cast<QAbstractButton*>(widget) ||
                             qobject_cast<QComboBox*>(widget) ||
                             qobject_cast<QDateTimeEdit*>(widget) || qobject_cast<QTabBar*>(widget);
        if (!checked)
            continue;
        const QString what = Describe(widget);
        // Cut by a container: the control must lie inside each of its parents.
        for (QWidget* child = widget; child != top; child = child->parentWidget()) {
            const QWidget* parent = child->parentWidget();
            if (!parent->rect().contains(child->geometry()))
                problems << what + QStringLiteral(" lies outside ") + Describe(parent);
        }
        const QFontMetrics metrics = widget->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->text().isEmpty())
                continue;
            const QSize need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                                 : label->minimumSizeHint();
            if (label->width() < need.width() || label->height() < need.height())
                problems << what +
                                QStringLiteral(" needs %1x%2").arg(need.width()).arg(need.height());
        } else if (auto* hover = qobject_cast<CHoverButton*>(widget)) {
            if (hover->text().isEmpty())
                continue;
            const CHoverButton::Look look = hover->ComputeLook();
            const QSize text = metrics.size(Qt::TextShowMnemonic, hover->text());
            // One line, whole, inside the button; an "&" is a mnemonic, never shown.
            if (look.textRect.width() < text.width() - 1 ||
                look.textRect.height() >= 2 * metrics.lineSpacing() ||
                !hover->rect().contains(look.textRect) ||
                (!look.iconRect.isEmpty() && look.iconRect.intersects(look.textRect)))
                problems << what + QStringLiteral(" draws its text in %1,%2 %3x%4")
                                       .arg(look.textRect.x())
                                       .arg(look.textRect.y())
                                       .arg(look.textRect.width())
                                       .arg(look.textRect.height());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->text().isEmpty())
                continue;
            const QSize need = button->sizeHint();
            if (button->width() < need.width() || button->height() < need.height())
                problems << what +
                                QStringLiteral(" needs %1x%2").arg(need.width()).arg(need.height());
        } else if (auto* picker = qobject_cast<QDateTimeEdit*>(widget)) {
            const QSize need = picker->sizeHint();
            const int text = WidestDateText(picker);
            if (picker->width() < need.width() || picker->height() < need.height() ||
                picker->findChild<QLineEdit*>()->width() < text + 4)
                problems << what + QStringLiteral(" needs %1 for its longest date").arg(text);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            // Qt's file dialog elides its look-in path in the middle, whatever
            // the temporary folder's length.
            if (combo->isEditable() || (combo->objectName() == QLatin1String("lookInCombo") &&
                                        qobject_cast<QFileDialog*>(combo->window())))
                continue;
            int widest = 0;
            for (int i = 0; i < combo->count(); ++i)
                widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
            if (combo->width() < combo->sizeHint().width())
                problems << what + QStringLiteral(" needs %1 for its longest item").arg(widest);
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                const QRect tab = tabs->tabRect(i);
                if (!tabs->rect().contains(tab) ||
                    tab.width() < metrics.horizontalAdvance(tabs->tabText(i)))
                    problems << what + QStringLiteral(" cuts its tab \"%1\"").arg(tabs->tabText(i));
            }
        }
    }
    return problems;
}

// The main window's detail columns of fixed form (size, times, attributes)
// hold the texts of their visible rows whole.
QStringList ClippedCells(CZembroltDlg& window) {
    QStringList problems;
    auto* table = qobject_cast<QTableView*>(window.ResultList()->GetCurrentView());
    if (!table)
        return {QStringLiteral("the Details view is no table")};
    CResultListModel* model = window.ResultModel();
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->GetWidestCellText(column).isEmpty())
            continue;
        const int need = static_cast<QAbstractItemView*>(table)->sizeHintForColumn(column);
        if (table->columnWidth(column) < need)
            problems << QStringLiteral("column %1 is %2 wide, its cells need %3")
                            .arg(model->headerData(column, Qt::Horizontal).toString())
                            .arg(table->columnWidth(column))
                            .arg(need);
    }
    return problems;
}

// The first column of every table of `top` holds its texts whole (the name
// columns of the dialogs' lists; later columns may elide).
QStringList ClippedNameColumns(QWidget* top) {
    QStringList problems;
    for (QTableView* table : top->findChildren<QTableView*>()) {
        if (table->model() == nullptr || table->model()->rowCount() == 0)
            continue;
        const int need = static_cast<QAbstractItemView*>(table)->sizeHintForColumn(0);
        if (table->columnWidth(0) < need)
            problems << Describe(table) + QStringLiteral(" cuts its first column (%1 < %2)")
                                              .arg(table->columnWidth(0))
                                              .arg(need);
    }
    return problems;
}

void SaveScreenshot(QWidget& window, const QString& name) {
    const QImage shot = window.grab().toImage();
    QVERIFY(!shot.isNull());
    // Kept for a person to look at when a folder is named.
    const QString folder = qEnvironmentVariable("ZB_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        QVERIFY(shot.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
    QFont m_oldFont;
    std::unique_ptr<zbtest::FreshUserFolders> m_userFolders;

private slots:
    void init() {
        m_oldFont = QApplication::font();
        m_userFolders = std::make_unique<zbtest::FreshUserFolders>();
    }
    void cleanup() { QApplication::setFont(m_oldFont); }

    void everyDialogShowsItsTextsWhole_data() {
        QTest::addColumn<int>("points");
        QTest::newRow("9 pt") << 9;
        QTest::newRow("12 pt") << 12;
    }

    void everyDialogShowsItsTextsWhole() {
        QFETCH(int, points);
        UseKnownFont(points);
        const CFileTypeGroupArray groups = [] {
            CFileTypeGroupArray built;
            BuildBuiltInGroups(built);
            built.push_back({"Photographs and scanned pictures of the family", "*.jpg;*.tif"});
            return built;
        }();
        const std::vector<std::function<QDialog*()>> dialogs{
            [&groups] { return new CFileTypeGroupDlg(groups); },
            [] {
                return new CEditFileTypeGroupDlg(QStringLiteral("Pictures"),
                                                 QStringLiteral("*.png;*.jpg"));
            },
            [] { return new CIncludeStringWizard; },
            [] { return new CAboutDlg(nullptr, [](const QUrl&) { return true; }); },
            [] { return new CIEWarningDlg; },
            [] {
                auto* progress = new CProgressDlg;
                progress->SetStatusText(QStringLiteral("Decompressing files"));
                return progress;
            },
            [] { return new CLogWindow(nullptr); },
            [] {
                auto* options = new COptionDlg;
                options->OnInitDialog();
                return options;
            },
            [] { return new CExportDialog; },
        };
        for (const auto& make : dialogs) {
            std::unique_ptr<QDialog> dialog(make());
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            const QStringList clipped =
                ClippedTexts(dialog.get()) + ClippedNameColumns(dialog.get());
            QVERIFY2(clipped.isEmpty(), qPrintable(dialog->windowTitle() + QStringLiteral(": ") +
                                                   clipped.join(QStringLiteral("; "))));
        }
    }

    void messagesWithLongNamesStayInsideTheirBox() {
        UseKnownFont(9);
        const QString longName = QString(250, QLatin1Char('n')) + QStringLiteral(".txt");
        const QString longPath = QStringLiteral("/home/someone/Documents/") +
                                 QString(40, QLatin1Char('d')) + QLatin1Char('/') + longName;
        const QStringList texts{
            QString::fromStdString(zb::RenameFailureText(zb::RenameResult::InvalidName, "old.txt",
                                                         longName.toStdString() + "/x", 0)),
            ResourceText(IDS_EXPORT_FAILED, longPath),
        };
        const int screenWidth = QApplication::primaryScreen()->availableGeometry().width();
        for (const QString& text : texts) {
            const std::unique_ptr<QMessageBox> box =
                MakeProgramMessage(nullptr, text, QMessageBox::Warning);
            box->show();
            QVERIFY(QTest::qWaitForWindowExposed(box.get()));
            const QStringList clipped = ClippedTexts(box.get());
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
            QVERIFY2(box->width() <= screenWidth, qPrintable(QString::number(box->width())));
            box->close();
        }
    }

    void mainWindowAfterASearch_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("points");
        QTest::newRow("560x440") << QSize(560, 440) << 9;
        QTest::newRow("1366x900") << QSize(1366, 900) << 9;
        QTest::newRow("1366x900 at 12 pt") << QSize(1366, 900) << 12;
    }

    void mainWindowAfterASearch() {
        QFETCH(QSize, size);
        QFETCH(int, points);
        UseKnownFont(points);
        QTemporaryDir folder;
        const QString big =
            folder.filePath(QStringLiteral("a rather long file name of a report.txt"));
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(1500000));
        file.close();
        QFile small(folder.filePath(QStringLiteral("b.txt")));
        QVERIFY(small.open(QIODevice::WriteOnly));
        small.close();

        zbgui::QuietDlg window;
        window.resize(size);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), size);
        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        window.LookInCombo()->setEditText(folder.path());
        window.OnFind();
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QCoreApplication::processEvents();

        CAdvanceOptionSheet* sheet = window.OptionSheet();
        for (int page = 0; page < CAdvanceOptionSheet::kPageCount; ++page) {
            sheet->SetActivePage(page);
            const QStringList clipped = ClippedTexts(&window);
            QVERIFY2(clipped.isEmpty(),
                     qPrintable(sheet->GetPage(page)->Caption() + QStringLiteral(": ") +
                                clipped.join(QStringLiteral("; "))));
            SaveScreenshot(window, QStringLiteral("main-%1x%2-%3pt-page%4")
                                       .arg(size.width())
                                       .arg(size.height())
                                       .arg(points)
                                       .arg(page));
        }
        const QStringList cells = ClippedCells(window);
        QVERIFY2(cells.isEmpty(), qPrintable(cells.join(QStringLiteral("; "))));

        // A long folder in the status bar is elided in the middle, inside the window.
        QString deep = QStringLiteral("/home/someone");
        for (int level = 0; level < 8; ++level)
            deep += QLatin1Char('/') + QString(30, QLatin1Char('x'));
        deep += QStringLiteral("/photos");
        window.SetStatusText("Searching in " + deep.toStdString());
        QCoreApplication::processEvents();
        auto* status = window.findChild<CElidedLabel*>();
        QVERIFY(status);
        QCOMPARE(status->text(), QStringLiteral("Searching in ") + deep);
        const QString shown = status->DisplayedText();
        QVERIFY2(shown.startsWith(QStringLiteral("Searching in /home")) &&
                     shown.endsWith(QStringLiteral("/photos")) && shown.contains(QChar(0x2026)),
                 qPrintable(shown));
        QVERIFY(status->fontMetrics().horizontalAdvance(shown) <= status->contentsRect().width());
        QVERIFY(window.rect().contains(status->mapTo(&window, status->rect().bottomRight())));
        QVERIFY(window.rect().contains(window.ResultList()->geometry()));
        QVERIFY(window.FolderTree()->height() > 0);

        // Small Icons gives every name the cell's width, not the first name's.
        window.OnCommand(ID_VIEW_SMALL_ICONS);
        auto* icons = qobject_cast<QListView*>(window.ResultList()->GetCurrentView());
        QVERIFY(icons);
        for (int row = 0; row < window.ResultModel()->GetRowCount(); ++row) {
            const QModelIndex index = window.ResultModel()->index(row, icons->modelColumn());
            QCOMPARE(icons->visualRect(index).width(), icons->gridSize().width());
        }
        window.close();
    }

private:
    void UseKnownFont(int points) {
        QFont font(QString::fromLatin1(kKnownFamily));
        font.setPointSize(points);
        QVERIFY2(QFontInfo(font).family() == QLatin1String(kKnownFamily),
                 "DejaVu Sans is not installed (Debian package fonts-dejavu-core)");
        QApplication::setFont(font);
    }
};

ZB_GUI_TEST(LayoutTest);
#include "LayoutTest.moc"
