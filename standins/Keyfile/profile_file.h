// Profile (INI) files as the profile-reader stand-in reads them: sections of keys with text
// values, kept in file order.  The syntax is described in standins/README.md.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Orders names without case (ordinal), the way the profile API matches them.
struct NameLess {
  bool operator()(const std::wstring& left, const std::wstring& right) const;
};

struct ProfileKey {
  std::wstring name;
  std::wstring value;
};

struct ProfileSection {
  std::wstring name;
  std::vector<ProfileKey> keys;  // every key line in file order, repeated names included
  std::map<std::wstring, size_t, NameLess> keyIndex;  // name -> its first position in keys

  void AddKey(ProfileKey key);
};

struct Profile {
  std::vector<ProfileSection> sections;  // file order, no two with the same name
  std::map<std::wstring, size_t, NameLess> sectionIndex;  // name -> position in sections

  // The section of that name (without case), or null.
  const ProfileSection* FindSection(const std::wstring& sectionName) const;
  // The section of that name, added at the end when there is none yet.
  ProfileSection& SectionNamed(const std::wstring& sectionName);
};

// Parses profile text.
Profile ParseProfile(const std::wstring& text);

// Text of a profile file's bytes: UTF-16LE or UTF-8 when the file starts with that byte order
// mark, else the ANSI code page.
std::wstring DecodeProfileBytes(const std::string& bytes);

// Reads and parses the file at `path`; the HRESULT of the Win32 error when it cannot be read.
HRESULT ReadProfileFile(const wchar_t* path, Profile& profile);
