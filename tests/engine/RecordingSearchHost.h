#pragma once
// A search host for engine tests: it records the rows ("folder/name"), the
// messages, the button states and the status text the search hands to the
// window, from whichever thread they come.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/engine/ResultArray.h"
#include "app/engine/ResultList.h"
#include "app/engine/SearchHost.h"

namespace zbtest {

class RecordingHost : public ISearchHost, public IResultListView {
public:
    void DeleteAllRows(const std::shared_ptr<CResultArray>& results) override {
        std::lock_guard guard(lock);
        rows.clear();
        generation = results;
    }
    void InsertRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                    std::size_t count) override {
        std::lock_guard guard(lock);
        for (std::size_t i = first; i < first + count; ++i) {
            const CResultItem& r = results->GetAt(i);
            rows.push_back(r.m_sFolder + "/" + r.m_sName);
        }
    }
    void ShowMessage(const std::string& text) override {
        std::lock_guard guard(lock);
        messages.push_back(text);
    }
    void SetSearchButtonState(bool ready) override {
        std::lock_guard guard(lock);
        buttonStates.push_back(ready);
    }
    void SetStatusText(const std::string& text) override {
        std::lock_guard guard(lock);
        status = text;
        statuses.push_back(text);
    }
    void SetLookInText(const std::string& text) override {
        std::lock_guard guard(lock);
        lookIns.push_back(text);
    }
    void BeginSearchUi() override { ++begins; }
    void EndSearchUi() override { ++ends; }
    void RemoveDupNoColumn() override {}
    void BringToFront() override {}
    void SearchEnded() override { ++endedCount; }

    // Copies taken under the lock, for searches still running.
    std::vector<std::string> GetRows() {
        std::lock_guard guard(lock);
        return rows;
    }
    std::vector<std::string> GetMessages() {
        std::lock_guard guard(lock);
        return messages;
    }

    std::mutex lock;
    std::vector<std::string> rows;
    std::vector<std::string> messages;
    std::shared_ptr<CResultArray> generation;  // the one the last DeleteAllRows started
    std::vector<bool> buttonStates;
    std::string status;
    std::vector<std::string> statuses;  // every status text, in order
    std::vector<std::string> lookIns;   // every look-in text, in order
    std::atomic<int> begins{0};
    std::atomic<int> ends{0};
    std::atomic<int> endedCount{0};
};

}  // namespace zbtest
