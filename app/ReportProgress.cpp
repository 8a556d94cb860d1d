#include "ReportProgress.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <algorithm>
#include <limits>

#include "Prompter.h"
#include "report.h"

namespace lathwell::app {

ReportProgress::ReportProgress(TFormReport& report, Prompter& prompter, QWidget* pMessageParent,
                               int iPumpIntervalMs)
    : m_report(report),
      m_prompter(prompter),
      m_pMessageParent(pMessageParent),
      m_iPumpIntervalMs(iPumpIntervalMs) {}

void ReportProgress::RunStarting(int64_t inputBytes) {
    const int64_t llTotal = std::max<int64_t>(inputBytes, 0);
    m_iShift = 0;
    while ((llTotal >> m_iShift) > std::numeric_limits<int>::max()) ++m_iShift;
    m_report.pbStatus->setRange(0, static_cast<int>(llTotal >> m_iShift));
    m_report.pbStatus->setValue(0);
}

bool ReportProgress::CancelRequested(int64_t bytesConsumed) {
    if (!m_sincePump.isValid() || m_sincePump.elapsed() >= m_iPumpIntervalMs) {
        QProgressBar* pBar = m_report.pbStatus;
        // A bar ignores values beyond its maximum; a full bar is the truth then.
        const int64_t llPosition = std::max<int64_t>(bytesConsumed, 0) >> m_iShift;
        pBar->setValue(static_cast<int>(std::min<int64_t>(llPosition, pBar->maximum())));
        QCoreApplication::processEvents();
        m_sincePump.start();
    }
    return m_report.Cancelled();
}

void ReportProgress::ReportFailure(const char* message) {
    m_prompter.ShowMessage(m_pMessageParent, QString::fromLocal8Bit(message), "Error");
}

}  // namespace lathwell::app
