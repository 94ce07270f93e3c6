#include "tools/windows/ChangeFileTimeDlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "platform/FileTime.h"
#include "tools/windows/ChangeDialogLayout.h"
#include "ui/WaitCursor.h"

namespace {

// Control ids of each row: the date, the time and the "Current" button.
struct RowIds {
    int box;
    int date;
    int time;
    int current;
    const char* text;
};
constexpr RowIds kRowIds[] = {
    {IDC_TIME_CREATED, 1036, 1079, 1080, "&Created:"},
    {IDC_TIME_MODIFIED, 1037, 1081, 1082, "&Modified:"},
    {IDC_TIME_ACCESSED, 1038, 1083, 1084, "&Accessed:"},
};

// A UTC file time as the local date and time of day (whole seconds).
QDateTime LocalDateTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME fields;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &fields))
        return QDateTime(QDate(1970, 1, 1), QTime(0, 0));
    return QDateTime(QDate(fields.wYear, fields.wMonth, fields.wDay),
                     QTime(fields.wHour, fields.wMinute, fields.wSecond));
}

}  // namespace

CChangeFileTimeDlg::CChangeFileTimeDlg(QWidget* parent)
    : CHelpDialog(IDD_CHANGE_FILE_TIME, parent) {
    setWindowTitle(QStringLiteral("Change File Time"));
    auto* grid = new QGridLayout;
    for (int row = 0; row < ROW_COUNT; ++row) {
        const RowIds& ids = kRowIds[row];
        RowControls& controls = m_rows[row];
        controls.box = new QCheckBox(QString::fromLatin1(ids.text), this);
        controls.box->setObjectName(QString::number(ids.box));
        controls.date = new QDateEdit(this);
        controls.date->setObjectName(QString::number(ids.date));
        controls.date->setCalendarPopup(true);
        controls.time = new QTimeEdit(this);
        controls.time->setObjectName(QString::number(ids.time));
        controls.time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        auto* current = new QPushButton(QStringLiteral("C&urrent"), this);
        current->setObjectName(QString::number(ids.current));
        current->setAutoDefault(false);
        connect(current, &QPushButton::clicked, this, [this, row] { OnCurrent(row); });
        grid->addWidget(controls.box, row, 0);
        grid->addWidget(controls.date, row, 1);
        grid->addWidget(controls.time, row, 2);
        grid->addWidget(current, row, 3);
        if (row == ROW_CREATED) {
            for (QWidget* widget :
                 {static_cast<QWidget*>(controls.box), static_cast<QWidget*>(controls.date),
                  static_cast<QWidget*>(controls.time), static_cast<QWidget*>(current)})
                widget->setEnabled(false);
        }
    }
    m_pCreatedNote = new QLabel(QString::fromLatin1(kCreationTimeNote), this);
    m_pCreatedNote->setWordWrap(true);
    auto* controls = new QVBoxLayout;
    controls->addLayout(grid);
    controls->addWidget(m_pCreatedNote);
    m_pSubFolders = LayOutChangeDialog(this, controls, IDC_TIME_SUB_FOLDERS, [this] { OnOK(); });
    SetItems({});
}

void CChangeFileTimeDlg::SetItems(const std::vector<CResultItem*>& records) {
    m_change.SetItems(records);
    const CResultItem* first = m_change.GetFirstFileRecord();
    const FILETIME times[ROW_COUNT] = {first ? first->m_ftCreation : FILETIME{},
                                       first ? first->m_ftLastWrite : FILETIME{},
                                       first ? first->m_ftLastAccess : FILETIME{}};
    for (int row = 0; row < ROW_COUNT; ++row) {
        const QDateTime local = first ? LocalDateTime(times[row]) : QDateTime::currentDateTime();
        m_rows[row].date->setDate(local.date());
        m_rows[row].time->setTime(local.time());
        m_rows[row].box->setChecked(false);
    }
    m_pSubFolders->setEnabled(!m_change.HasNoFolder());
}

void CChangeFileTimeDlg::OnCurrent(int row) {
    if (row < 0 || row >= ROW_COUNT || !m_rows[row].box->isEnabled())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    m_rows[row].box->setChecked(true);
    m_rows[row].date->setDate(now.date());
    m_rows[row].time->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
}

bool CChangeFileTimeDlg::RowTimeUtc(int row, FILETIME* utc) const {
    const QDate date = m_rows[row].date->date();
    const QTime time = m_rows[row].time->time();
    return LocalDateTimeToFileTime(date.year(), date.month(), date.day(), time.hour(),
                                   time.minute(), time.second(), utc) != FALSE;
}

void CChangeFileTimeDlg::OnOK() {
    FILETIME modified;
    FILETIME accessed;
    FileTimeSetting times;
    if (m_rows[ROW_MODIFIED].box->isChecked() && RowTimeUtc(ROW_MODIFIED, &modified))
        times.lastWrite = &modified;
    if (m_rows[ROW_ACCESSED].box->isChecked() && RowTimeUtc(ROW_ACCESSED, &accessed))
        times.lastAccess = &accessed;
    if (times.lastWrite || times.lastAccess) {
        CWaitCursor wait;
        m_change.Apply(times, m_pSubFolders->isEnabled() && m_pSubFolders->isChecked());
    }
    accept();
}
