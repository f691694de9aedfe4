// Sends the diagnostic log of one test to a file of its own and reads it
// back; the log is switched off again when the capture ends.
#pragma once

#include "base/core.h"
#include "scratch-folder.h"

#include <string>

class LogCapture {
  public:
    LogCapture() : path_(folder_.Path("debug.log")) { DebugInit(path_.c_str(), DEBUG_LOGFILE); }
    ~LogCapture() { DebugFlags = 0; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The log as written, with the Windows line ends turned back into "\n".
    std::string Text() const {
        std::string raw = ScratchFolder::Read(path_), text;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
            text += raw[i];
        }
        return text;
    }
    bool Has(const std::string& line) const { return Text().find(line) != std::string::npos; }

  private:
    ScratchFolder folder_;
    std::string path_;
};
