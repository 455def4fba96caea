#include "maintenance/software/recycle_bin_move.h"

#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <string>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "store/com_ptr.h"

namespace nubo {
namespace {

constexpr DWORD kRecycleFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI |
                                FOF_WANTNUKEWARNING | FOFX_RECYCLEONDELETE | FOFX_EARLYFAILURE;
static_assert(kRecycleFlags == 0x184454);

}  // namespace

bool MoveToRecycleBin(std::wstring_view path) {
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(initialised) && initialised != RPC_E_CHANGED_MODE) return false;
  ComApartmentScope apartment(initialised);
  if (!CheckPathAttributes(path)) return false;
  const std::wstring target(path);

  bool stepsSucceeded = false;
  BOOL aborted = TRUE;
  {
    ComPtr<IFileOperation> operation;
    if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOperation,
                                operation.out_void()))) {
      return false;
    }
    ComPtr<IShellItem> item;
    stepsSucceeded = SUCCEEDED(operation->SetOperationFlags(kRecycleFlags)) &&
                     SUCCEEDED(SHCreateItemFromParsingName(target.c_str(), nullptr, IID_IShellItem, item.out_void())) &&
                     SUCCEEDED(operation->DeleteItem(item.get(), nullptr)) &&
                     SUCCEEDED(operation->PerformOperations());
    if (stepsSucceeded && FAILED(operation->GetAnyOperationsAborted(&aborted))) stepsSucceeded = false;
  }
  return stepsSucceeded && !aborted && GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace nubo
