#include "installer/shared_installer.h"

#include "common/com_exception.h"

namespace {

// The installer automation interface the object is created for.
const IID kInstallerInterface = {
    0x000C1090, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// In-process server and handler, local and remote server.
constexpr DWORD kCreationContext = 0x17;

struct SharedState {
  ComRef<IDispatch> installer;
  unsigned long records = 0;
  // Static clean-up of the library releases an object that records still hold.
  ~SharedState() { installer.Reset(); }
};

SharedState& State() noexcept {
  static SharedState state;
  return state;
}

void CreateInstaller(SharedState& state) {
  CLSID classId = CLSID_NULL;
  CLSIDFromProgID(L"WindowsInstaller.Installer", &classId);  // unchecked: creation will say
  ComRef<IUnknown> created;
  ThrowIfFailed(CoCreateInstance(classId, nullptr, kCreationContext, kInstallerInterface,
                                 created.PutVoid()));
  const HRESULT query = created.QueryTo(IID_IDispatch, state.installer);
  if (query != E_NOINTERFACE) ThrowIfFailed(query, ErrorOrigin::InstallerAutomation);
}

}  // namespace

namespace SharedInstaller {

void Acquire() {
  SharedState& state = State();
  if (!state.installer) CreateInstaller(state);
  ++state.records;
}

void Release() noexcept {
  SharedState& state = State();
  if (state.records == 0) return;
  if (state.records-- == 1) state.installer.Reset();
}

ComRef<IDispatch> Get() noexcept { return State().installer; }

Replacement::Replacement(const ComRef<IDispatch>& replacement) noexcept
    : saved_(State().installer) {
  State().installer = replacement;
}

Replacement::~Replacement() {
  SharedState& state = State();
  // Only while records still share the object; after the last one it stays empty.
  state.installer = state.records ? saved_ : nullptr;
}

}  // namespace SharedInstaller
