// Entry points of winevtest.drv. winmm loads it as an installable driver
// (DriverProc, modMessage, midMessage); Wine's mmdevapi selects it as the
// audio driver "vtest" and needs the four AUDDRV-style functions, which here
// offer no audio endpoints at all.
#include "tests/e2e/driver/vmidi.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

extern "C" {

__declspec(dllexport) LRESULT CALLBACK
    DriverProc(DWORD_PTR, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_OPEN:
    case DRV_CLOSE:
    case DRV_ENABLE:
    case DRV_DISABLE: return 1;
    case DRV_QUERYCONFIGURE:
    case DRV_CONFIGURE:
    case DRV_INSTALL:
    case DRV_REMOVE: return 0;
    default: return DefDriverProc(0, driver, message, param1, param2);
    }
}

__declspec(dllexport) DWORD WINAPI
    modMessage(UINT device, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR param2) {
    if (device != 0 && message != MODM_GETNUMDEVS && message != DRVM_INIT && message != DRVM_EXIT)
        return MMSYSERR_BADDEVICEID;
    return OutputMessage(message, param1, param2);
}

__declspec(dllexport) DWORD WINAPI
    midMessage(UINT device, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR param2) {
    if (device != 0 && message != MIDM_GETNUMDEVS && message != DRVM_INIT && message != DRVM_EXIT)
        return MMSYSERR_BADDEVICEID;
    return InputMessage(message, param1, param2);
}

// mmdevapi: a priority above "unavailable" so that the driver is chosen,
// and an empty endpoint list in both directions.
__declspec(dllexport) int WINAPI GetPriority() {
    return 2;  // Priority_Neutral
}

__declspec(dllexport) HRESULT WINAPI
    GetEndpointIDs(EDataFlow, WCHAR*** ids, GUID** guids, UINT* count, UINT* defaultIndex) {
    if (ids) *ids = nullptr;
    if (guids) *guids = nullptr;
    if (count) *count = 0;
    if (defaultIndex) *defaultIndex = 0;
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI GetAudioEndpoint(void*, IMMDevice*, IAudioClient** client) {
    if (client) *client = nullptr;
    return AUDCLNT_E_DEVICE_INVALIDATED;
}

__declspec(dllexport) HRESULT WINAPI GetAudioSessionManager(IMMDevice*, void** manager) {
    if (manager) *manager = nullptr;
    return AUDCLNT_E_DEVICE_INVALIDATED;
}

}  // extern "C"
