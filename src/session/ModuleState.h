#pragma once
// The state that the runs share with the main window: the result for the host,
// whether the host started us, the chosen document, the chosen template, and
// the enabled state of the two run buttons.
// The desktop window and the command line each hold one.

#include <filesystem>
#include <memory>
#include <string>

#include "document/ExchangeDocument.h"

namespace vindeleo {

struct ModuleState {
    int ResultCode = 0;      // 0 nothing finished, 1 a run finished, -1 no document (host mode)
    bool HostMode = false;
    // The chosen exchange document's full path as the system gives it (bytes
    // on Linux, UTF-16 on Windows), for every file operation; and as text,
    // for the messages and the copies' descriptions.
    std::filesystem::path DocumentFile;
    std::string XmlFileName;
    std::string TemplateCode;  // code of the chosen school-day template
    // The exchange document of the last run.
    std::unique_ptr<ExchangeDocument> Document;
    // Both conversion buttons; a finished run disables them.
    bool RunButtonsEnabled = true;

    // Where the tables live and where the program's own files lie.
    std::filesystem::path WorkingDirectory;
    std::filesystem::path ProgramDirectory;

    // The state that FormCreate makes: lists empty, result 0, directories of
    // this platform.
    static ModuleState Create();
};

}  // namespace vindeleo
