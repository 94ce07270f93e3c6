#include "tools/RedundantSearch.h"

#include <chrono>

#include "platform/StringTable.h"
#include "tools/ToolRecords.h"

namespace {

constexpr auto kStatusInterval = std::chrono::milliseconds(50);

// Found items become rows through the engine; folders show in the status bar.
class EngineSink : public IRedundantSink {
public:
    explicit EngineSink(CSearchEngine& engine) : m_engine(engine) {}

    bool AddItem(const std::string& path) override {
        CResultItem record;
        // An item that is gone by now is passed over.
        if (m_maker.MakeFileRecord(path, record) != CToolRecordMaker::MADE)
            return true;
        return m_engine.AppendFoundRecord(std::move(record)) != FALSE;
    }

    void ShowFolder(const std::string& path) override {
        ISearchHost* host = m_engine.GetHost();
        const auto now = std::chrono::steady_clock::now();
        if (!host || now - m_lastStatus < kStatusInterval)
            return;
        m_lastStatus = now;
        host->SetStatusText(FormatResourceString(IDS_SEARCHING_IN, path));
    }

private:
    CSearchEngine& m_engine;
    CToolRecordMaker m_maker;
    std::chrono::steady_clock::time_point m_lastStatus{};
};

}  // namespace

void RunRedundantSearch(CSearchEngine& engine, const CRedundantOptions& options,
                        const RedundantRoots& roots) {
    ISearchHost* host = engine.GetHost();
    engine.ClearResults();
    if (host) {
        host->BeginSearchUi();
        host->RemoveDupNoColumn();
    }
    EngineSink sink(engine);
    CRedundantFinder finder(options, roots, engine.GetStopFlag(), sink);
    finder.Run();
    engine.GetResultList().FlushRows();
    engine.UpdateStatusText();
    if (host)
        host->EndSearchUi();
}

BOOL StartRedundantSearch(CSearchEngine& engine, const CRedundantOptions& options,
                          RedundantRoots roots) {
    return engine.StartToolSearch([options, roots = std::move(roots)](CSearchEngine& running) {
        RunRedundantSearch(running, options, roots);
    });
}
