#ifndef UPDATER_PLATFORM_PROFILE_H_
#define UPDATER_PLATFORM_PROFILE_H_

// Reading INI files with the answers of the Windows profile functions (standins/ini_file.h
// describes the file format they accept).

// GetPrivateProfileStringA(section, key, default_value, buffer, size, path) with a non-null
// section and key: copies the value, or default_value without its trailing spaces when the
// key or file is missing, with one pair of surrounding quotes removed, and returns the bytes
// copied without the NUL. A longer answer is cut to size - 1 bytes and size - 1 is returned;
// when the cut falls inside a double-byte character, the bytes from that character up to
// the NUL at buffer[size - 1] are left unwritten. Nothing is written when size is 0.
unsigned ReadProfileString(const char* section, const char* key, const char* default_value,
                           char* buffer, unsigned size, const char* path);

// GetPrivateProfileSectionA(section, buffer, size, path), size at least 1: the section's
// lines, each ended by a NUL, the whole ended by a second NUL; returns the bytes copied
// without the final NUL (size - 2 when the lines were cut, and two NULs end the buffer).
unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path);

#endif  // UPDATER_PLATFORM_PROFILE_H_
