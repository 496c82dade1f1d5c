// The temporary file of an all-or-nothing write, inside the files subsystem. Each step holds
// the termination signals on this thread, so that the file and the note of it that the handler
// of RemoveUnfinishedFileOnTermination reads always agree.
#pragma once
#include <string>

namespace tessalume {

// A name for the temporary file of a write to destination, in its folder: hidden, and marked
// with this process's PID in a fixed pattern, ".NAME.tessalume-tmp-PID-N-ATTEMPT-HEX", by which
// a later write can tell one whose process has gone.
std::string UnfinishedPathBeside(const std::string& destination, unsigned attempt);
// Removes from the destination's folder the temporary files of writes whose process has gone
// (killed by a signal that no handler sees): this user's regular files of that pattern whose PID
// is not running. Nothing else is touched.
void RemoveAbandonedUnfinishedFiles(const std::string& destination);

// Creates the file exclusively (O_EXCL) and notes it; the descriptor, or -1 with errno set.
int CreateUnfinishedFile(const std::string& path);
// Renames the file over the destination; once it is gone the note goes too.
bool RenameUnfinishedFile(const std::string& path, const std::string& destination);
// Removes the file and the note.
void RemoveUnfinishedFile(const std::string& path);

}  // namespace tessalume
