#pragma once

// Unpacks every entry of a ZIP archive below destinationFolder. Folders come only from folder
// entries (one level each); files are created with normal attributes, replacing existing ones.
// Entries with absolute names or ".." components are skipped, and an entry whose data cannot be
// read completely leaves no file behind. False only when the archive cannot be opened.
bool unpackArchive(const char* archivePath, const char* destinationFolder);
