// The temporary file of an all-or-nothing write, inside the files subsystem. Each step holds
// the termination signals on this thread, so that the file and the note of it that the handler
// of RemoveUnfinishedFileOnTermination reads always agree.
#pragma once
#include <string>

namespace tessalume {

// Creates the file exclusively (O_EXCL) and notes it; the descriptor, or -1 with errno set.
int CreateUnfinishedFile(const std::string& path);
// Renames the file over the destination; once it is gone the note goes too.
bool RenameUnfinishedFile(const std::string& path, const std::string& destination);
// Removes the file and the note.
void RemoveUnfinishedFile(const std::string& path);

}  // namespace tessalume
