#pragma once
// Saving pictures the way a user needs them saved, for every front end: the
// image class chosen by extension through the picture-format registry, an
// optional backup copy of the file being replaced, and a write that never
// leaves a half-written file behind.

#include <functional>
#include <string>

#include "Bitmap.h"
#include "PictureFormats.h"
#include "Streams.h"

// Replaces the file with what write puts into the stream. The bytes go to a
// temporary file in the same folder, which is flushed to the disk and then
// renamed over the target, so a failed or interrupted write leaves the old
// file (or none) and no partial one; a temporary file an interrupted save
// left behind goes at the next save into that folder. Until it is complete,
// the new content is readable by no one but the writer (or, for a new file,
// as a plain create makes it). As with a plain overwrite: a symbolic link is
// written through to the file it names, an existing file keeps its
// permissions (and, where the system allows, its owner), and a file that may
// not be written fails, unchanged. A target that is not a regular file (a
// device, a pipe) is written directly, and one that no one reads fails at
// once. Throws EStreamError on failure, naming the file and the system's
// reason. With attributesFrom, the file takes that file's permissions (and
// owner) instead, as a copy of it should. Touches no process-wide state, so
// several threads may save at once.
void WriteFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                     const std::string& attributesFrom = {});

// The backup name of a file: "~" after the dot of its extension (fern.bmp
// gives fern.~bmp, fern.m8 gives fern.~m8); empty for a name whose last path
// element has no extension or ends in the dot alone.
std::string BackupFileName(const std::string& fileName);

// Copies an existing file byte for byte to its backup name (BackupFileName),
// through CopyToBackup. Returns false, copying nothing, when the file does not
// exist or its name has no backup name.
bool BackupFile(const std::string& fileName);

// Copies an existing file byte for byte to the same name with the extension
// replaced by newExtension (a dot is put in front when it has none), replacing
// an older copy, written as WriteFileSafely writes, with the permissions of
// the file it copies (a private picture keeps a private backup). Returns false,
// copying nothing, when the file does not exist, the new extension is the
// file's own in any letter case, or the new name is longer than the file
// system allows (a name at the limit has no room for the "~"). Throws
// EStreamError when the copy fails.
bool CopyToBackup(const std::string& fileName, std::string newExtension);

enum class TBackupMode { bmNone, bmCopyExisting };

// Writes the picture in the format's image class, straight from the picture's
// rows (no copy of it is made): first (when asked) the existing file is backed
// up, then the file is written with WriteFileSafely. When the backup fails, the
// file is not touched.
void SavePicture(const TBitmap& picture, const TPictureFormat& format, const std::string& fileName,
                 TBackupMode backup = TBackupMode::bmNone);
// The same with the format the file name's extension selects; throws
// Exception "Unknown picture file extension (.ext)" for an unregistered one.
void SavePicture(const TBitmap& picture, const std::string& fileName, TBackupMode backup = TBackupMode::bmNone);
