#include "summary_storage_writer.h"

#include "build_error.h"
#include "common/com_ref.h"
#include "text_encoding.h"

#include <windows.h>
#include <ole2.h>
#include <propidl.h>

namespace msmbuild {
namespace {

void Check(HRESULT result, int line, const std::string& what) {
  if (FAILED(result)) {
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
    throw BuildError(line, what + " failed (" + code + ")");
  }
}

constexpr wchar_t SummaryStreamName[] = L"\005SummaryInformation";
constexpr ULONG SectionOffsetPosition = 44;  // after the set header and the format identifier

// Wine's property set writer leaves out the padding after the last value while the section
// size counts it, and msi.dll then refuses the whole short section.  Appends the missing zeros.
void PadSummarySection(IStorage* storage, const std::string& file) {
  ComRef<IStream> stream;
  Check(storage->OpenStream(SummaryStreamName, nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                            stream.Put()),
        0, "opening the summary stream of " + file);
  auto readAt = [&](ULONG position) {
    LARGE_INTEGER seek{};
    seek.QuadPart = position;
    DWORD value = 0;
    ULONG read = 0;
    Check(stream->Seek(seek, STREAM_SEEK_SET, nullptr), 0, "reading the summary stream of " + file);
    Check(stream->Read(&value, sizeof value, &read), 0, "reading the summary stream of " + file);
    if (read != sizeof value) throw BuildError(0, "the summary stream of " + file + " is cut short");
    return value;
  };
  const DWORD sectionOffset = readAt(SectionOffsetPosition);
  const ULONGLONG sectionEnd = static_cast<ULONGLONG>(sectionOffset) + readAt(sectionOffset);
  STATSTG status{};
  Check(stream->Stat(&status, STATFLAG_NONAME), 0, "reading the summary stream of " + file);
  if (status.cbSize.QuadPart >= sectionEnd) return;

  const std::string zeros(static_cast<size_t>(sectionEnd - status.cbSize.QuadPart), '\0');
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(status.cbSize.QuadPart);
  ULONG written = 0;
  Check(stream->Seek(end, STREAM_SEEK_SET, nullptr), 0, "padding the summary stream of " + file);
  Check(stream->Write(zeros.data(), static_cast<ULONG>(zeros.size()), &written), 0,
        "padding the summary stream of " + file);
}

}  // namespace

void WriteStorageLevelSummary(const std::vector<SummaryValue>& values, const std::wstring& path) {
  bool needed = false;
  for (const SummaryValue& value : values) needed |= value.NeedsStorageLevel();
  if (!needed) return;

  const std::string file = Utf8FromWide(path);
  ComRef<IStorage> storage;
  Check(StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DIRECT,
                       nullptr, 0, storage.Put()),
        0, "opening the storage of " + file);
  ComRef<IPropertySetStorage> propertySets;
  Check(storage.QueryTo(IID_IPropertySetStorage, propertySets), 0, "IPropertySetStorage on " + file);
  ComRef<IPropertyStorage> summary;
  Check(propertySets->Open(FMTID_SummaryInformation, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, summary.Put()),
        0, "opening the summary information of " + file);

  for (const SummaryValue& value : values) {
    if (!value.NeedsStorageLevel()) continue;
    // The parser only forces 4-byte integers; every other type msi.dll stores itself.
    PROPSPEC spec{};
    spec.ulKind = PRSPEC_PROPID;
    spec.propid = value.property->id;
    PROPVARIANT variant;
    PropVariantInit(&variant);
    variant.vt = VT_I4;
    variant.lVal = value.number;
    Check(summary->WriteMultiple(1, &spec, &variant, PID_FIRST_USABLE), value.line,
          std::string("writing summary ") + value.property->name + " as a 4-byte integer");
  }
  Check(summary->Commit(STGC_DEFAULT), 0, "committing the summary information of " + file);
  summary.Reset();
  PadSummarySection(storage.Get(), file);
  Check(storage->Commit(STGC_DEFAULT), 0, "committing " + file);
}

}  // namespace msmbuild
