// The answer the console tool gives an engine message box nobody can see:
// OK to a notice, the safe choice (No, Cancel, Abort) to a question.
#pragma once

namespace cli {

// `flags` are MessageBox flags; the result is the IDOK/IDCANCEL/... value.
int SafeAnswer(unsigned flags);

}  // namespace cli
