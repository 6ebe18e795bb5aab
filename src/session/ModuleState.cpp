#include "session/ModuleState.h"

#include "platform/Directories.h"

namespace vindeleo {

ModuleState ModuleState::Create() {
    ModuleState state;
    state.WorkingDirectory = WorkingTablesDirectory();
    state.ProgramDirectory = vindeleo::ProgramDirectory();
    return state;
}

}  // namespace vindeleo
