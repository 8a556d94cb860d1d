#include "RunRefusal.h"

namespace lathwell {

RunRefusal::RunRefusal(RunCheck check, RunFile file, const char* message)
    : MpException(message, "RunPreparation"), m_check(check), m_file(file) {}

}  // namespace lathwell
