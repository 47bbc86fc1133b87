// Checked calls on the environment's profile reader (Keyfile.dll), shared by the gallery
// descriptors and the lookup files.
//
// Every failing HRESULT raises com_exception with that HRESULT.  A section or key that the
// reader does not hand out (success and none) comes back as a null ComRef; the caller decides
// what an absent one means.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"
#include "qv_environment.h"

// A new reader object, created through the companion loader.
ComRef<IProfileReader> NewProfileReader();

// The section of that name (asked for with a string variant), or none.
ComRef<IProfileSection> ProfileSectionNamed(IProfileReader* reader, const WideString& name);
ComRef<IProfileKeys> ProfileSectionKeys(IProfileSection* section);
long ProfileKeyCount(IProfileKeys* keys);
// The key of that name (string variant), or none.
ComRef<IProfileKey> ProfileKeyNamed(IProfileKeys* keys, const WideString& name);
// The key at a 1-based position (32-bit integer variant), or none.
ComRef<IProfileKey> ProfileKeyAt(IProfileKeys* keys, long position);
WideString ProfileKeyName(IProfileKey* key);
WideString ProfileKeyValue(IProfileKey* key);
