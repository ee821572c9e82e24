#pragma once
// Process start-up tuning for big documents.

namespace quilmar {

// A load touches every page of a few large blocks once; on Linux with glibc, letting malloc
// back its large blocks with transparent huge pages cuts those page faults several times.
// glibc reads that setting only when a process starts, so the first call re-executes the
// program once with it set (same arguments, same environment otherwise). Does nothing where
// the setting is unknown, already chosen by the user, or the re-execution fails.
void UseLargePagesForBigBlocks(char** argv);

}  // namespace quilmar
