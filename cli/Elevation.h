// Whether the console runs with administrator rights.
#pragma once

namespace cli {

// True only when the process token says it is elevated; any failure to tell
// is "no". The environment variable TAMSELCLI_NOT_ELEVATED (any non-empty
// value) makes it answer "no" as a console without rights would: tests use
// it, and it can only make the tool refuse more.
bool ProcessIsElevated();

}  // namespace cli
