// The launcher's side of the application registry (HKEY_CURRENT_USER
// branch): open, make and fill an application's record.
#pragma once

#include <cstddef>

#include "unique_handle.h"

// Opens an existing record for reading; false when there is none.
bool OpenApplicationRecord(const char* appname, zentaris::UniqueRegKey& record);

// Opens the branch with full access only to learn whether records can be
// made under it; the handle is used for nothing else.
bool ApplicationBranchIsWritable();

// Creates (or opens) a record by its full path, intermediate keys included.
bool CreateApplicationRecord(const char* appname, zentaris::UniqueRegKey& record);

// Reads a text value whole into `buffer` and terminates it. False when the
// value is missing, or when it does not fit with its terminator: a shortened
// command line or directory must not be used.
bool ReadRecordText(HKEY record, const char* name, char* buffer, size_t size);

// Writes a REG_SZ value, its terminating NUL counted in the stored size.
// Like every record write, its result is not examined.
void WriteRecordText(HKEY record, const char* name, const char* text);
