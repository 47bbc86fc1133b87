#include "module/profile_reader.h"

#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/variant.h"
#include "environment/companion_loader.h"

ComRef<IProfileReader> NewProfileReader() {
  ComRef<IProfileReader> reader;
  ThrowIfFailed(CreateProfileReader(reader));
  return reader;
}

ComRef<IProfileSection> ProfileSectionNamed(IProfileReader* reader, const WideString& name) {
  ComRef<IProfileSections> sections;
  ThrowIfFailed(reader->Sections(sections.Put()));
  ComRef<IProfileSection> section;
  if (!sections) return section;
  StringVariant index(name);
  ThrowIfFailed(sections->Item(index.Get(), section.Put()));
  return section;
}

ComRef<IProfileKeys> ProfileSectionKeys(IProfileSection* section) {
  ComRef<IProfileKeys> keys;
  ThrowIfFailed(section->Keys(keys.Put()));
  return keys;
}

long ProfileKeyCount(IProfileKeys* keys) {
  long count = 0;
  ThrowIfFailed(keys->Count(&count));
  return count;
}

ComRef<IProfileKey> ProfileKeyNamed(IProfileKeys* keys, const WideString& name) {
  ComRef<IProfileKey> key;
  StringVariant index(name);
  ThrowIfFailed(keys->Item(index.Get(), key.Put()));
  return key;
}

ComRef<IProfileKey> ProfileKeyAt(IProfileKeys* keys, long position) {
  ComRef<IProfileKey> key;
  IntegerVariant index(position);
  ThrowIfFailed(keys->Item(index.Get(), key.Put()));
  return key;
}

WideString ProfileKeyName(IProfileKey* key) {
  WideString name;
  ThrowIfFailed(key->Name(OutBstr(name)));
  return name;
}

WideString ProfileKeyValue(IProfileKey* key) {
  WideString value;
  ThrowIfFailed(key->Value(OutBstr(value)));
  return value;
}
