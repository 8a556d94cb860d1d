#include "ReportProgress.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

#include "Prompter.h"
#include "report.h"

namespace lathwell::app {

ReportProgress::ReportProgress(TFormReport& report, Prompter& prompter, QWidget* messageParent,
                               int pumpIntervalMs)
    : m_report(report),
      m_prompter(prompter),
      m_messageParent(messageParent),
      m_pumpIntervalMs(pumpIntervalMs) {}

void ReportProgress::RunStarting(int64_t inputBytes) {
    const int64_t total = std::max<int64_t>(inputBytes, 0);
    m_shift = 0;
    while ((total >> m_shift) > std::numeric_limits<int>::max()) ++m_shift;
    m_report.SetProgressMaximum(static_cast<int>(total >> m_shift));
}

bool ReportProgress::CancelRequested(int64_t bytesConsumed) {
    if (!m_sincePump.isValid() || m_sincePump.elapsed() >= m_pumpIntervalMs) {
        // A position past the bar's end (the file grew) shows a full bar.
        const int64_t position = std::max<int64_t>(bytesConsumed, 0) >> m_shift;
        m_report.SetProgressPosition(
            static_cast<int>(std::min<int64_t>(position, std::numeric_limits<int>::max())));
        QCoreApplication::processEvents();
        m_sincePump.start();
    }
    return m_report.Cancelled();
}

void ReportProgress::ReportFailure(const char* message) {
    m_prompter.ShowMessage(m_messageParent, QString::fromLocal8Bit(message), "Error");
}

}  // namespace lathwell::app
