#include "platform/FaultTrace.h"

#include <exception>

#include "platform/Log.h"

namespace zb {
namespace {

thread_local CFaultTrace* t_pCurrent = nullptr;

CFaultTrace& ProgramFaultTrace() {
    static CFaultTrace trace("the program");
    return trace;
}

}  // namespace

void CFaultTrace::Note(const char* where) noexcept {
    if (m_bReported.exchange(true, std::memory_order_relaxed))
        return;
    try {
        try {
            throw;
        } catch (const std::exception& fault) {
            DebugTrace("Fault ignored in %s (%s): %s", where, m_job, fault.what());
        } catch (...) {
            DebugTrace("Fault ignored in %s (%s)", where, m_job);
        }
    } catch (...) {
        // The trace could not be written (no memory): nothing else to do.
    }
}

CFaultTraceScope::CFaultTraceScope(CFaultTrace* trace) : m_pPrevious(t_pCurrent) {
    t_pCurrent = trace;
}

CFaultTraceScope::~CFaultTraceScope() {
    t_pCurrent = m_pPrevious;
}

CFaultTrace* CurrentFaultTrace() {
    return t_pCurrent;
}

void NoteIgnoredFault(const char* where) noexcept {
    (t_pCurrent != nullptr ? *t_pCurrent : ProgramFaultTrace()).Note(where);
}

}  // namespace zb
