#include "AccessibleNames.h"

#include "WideText.h"
#include "resources/StringTable.h"

#include <oleacc.h>

#include <functional>
#include <string>

namespace {

// CLSID_CAccPropServices, which mingw-w64's headers declare but no library of it defines.
constexpr CLSID kAnnotationService = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};

// The annotation service for the length of one call, with COM on this thread around it.
class CAnnotationService {
public:
    CAnnotationService() : m_com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        if (FAILED(CoCreateInstance(kAnnotationService, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                    reinterpret_cast<void**>(&m_services)))) {
            m_services = nullptr;
        }
    }
    ~CAnnotationService() {
        if (m_services != nullptr) {
            m_services->Release();
        }
        if (m_com) {
            CoUninitialize();
        }
    }
    CAnnotationService(const CAnnotationService&) = delete;
    CAnnotationService& operator=(const CAnnotationService&) = delete;

    IAccPropServices* Get() const { return m_services; }

private:
    bool m_com;
    IAccPropServices* m_services = nullptr;
};

// Calls annotate with the service for the control of each name; nothing without the service.
void Annotate(HWND dialog, std::span<const AccessibleName> names,
              const std::function<void(IAccPropServices&, HWND control, int textId)>& annotate) {
    const CAnnotationService service;
    if (service.Get() == nullptr) {
        return;
    }
    for (const auto& [id, textId] : names) {
        annotate(*service.Get(), GetDlgItem(dialog, id), textId);
    }
}

} // namespace

void SetAccessibleNames(HWND dialog, std::span<const AccessibleName> names) {
    // A name the service refuses leaves the control with the system's own.
    Annotate(dialog, names, [](IAccPropServices& service, HWND control, int textId) {
        (void)service.SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                     Widen(LoadStringResource(textId)).c_str());
    });
}

void ClearAccessibleNames(HWND dialog, std::span<const AccessibleName> names) {
    Annotate(dialog, names, [](IAccPropServices& service, HWND control, int) {
        (void)service.ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                     &PROPID_ACC_NAME, 1);
    });
}
