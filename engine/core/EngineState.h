// The process-wide engine state and the policies of the table slots:
// new (replace), ensure (create when missing), needs / if any (use current),
// destroys (ReleaseEngine).
#pragma once

#include "core/RegEngine.h"

namespace engine {

CRegEngine* Current();       // null when none exists
CRegEngine& New();           // destroys the current state, creates a fresh one
CRegEngine& Ensure();        // creates one only when none exists
void Destroy();              // destroys the current state, if any

// Tests only: the next states are created with these facts instead of the
// detected ones (null restores detection).
void SetFactsOverride(const SystemFacts* facts);

}  // namespace engine
