#pragma once
// The properties sheet's own page ("General") for one or more files and
// folders: name, type, location, size, link target, times (the birth time
// where the file system keeps one, else "unknown"), owner, group,
// permissions and attributes. The size of folders is summed on a worker
// thread, shown when it ends and stopped when the page goes.

#include <QWidget>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tools/ItemProperties.h"
#include "tools/windows/FilePropertiesSheet.h"

class QFormLayout;
class QLabel;

class CFileGeneralPage : public QWidget, public IFilePropertyPage {
    Q_OBJECT
public:
    CFileGeneralPage(std::vector<std::string> paths, QWidget* parent = nullptr);
    // Stops the size worker and waits for it (it never waits for the window).
    ~CFileGeneralPage() override;

    // The value shown beside a caption ("Size:", "Created:", ...), for tests.
    QString GetValue(const QString& caption) const;
    // Whether the size worker has ended.
    bool IsSizeFinal() const { return m_bSizeFinal; }

signals:
    void SizeFinal();

private:
    void AddRow(const QString& caption, const QString& value);
    void StartFolderSum(std::vector<std::string> folders, std::uint64_t fileBytes);
    void ShowSize(std::uint64_t bytes, std::uint64_t files, std::uint64_t folders, bool complete);

    std::vector<std::string> m_paths;
    QFormLayout* m_pForm;
    QLabel* m_pSize = nullptr;
    QLabel* m_pContains = nullptr;
    std::atomic<bool> m_bStop{false};
    std::thread m_worker;
    bool m_bSizeFinal = true;
};
