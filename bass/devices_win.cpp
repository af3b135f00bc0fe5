#include "bass/devices_win.h"

#include <windows.h>
#include <mmdeviceapi.h>
// The property keys are defined here, not only declared.
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>

#include <thread>

#include "bass/com_ptr_win.h"
#include "bass/output_rules.h"

std::vector<Endpoint> ListEndpoints() {
  std::vector<Endpoint> endpoints;
  std::wstring defaultId;
  // Enumeration needs COM; a thread of its own leaves the caller's apartment alone.
  std::thread worker([&endpoints, &defaultId] {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
    {
      ComPtr<IMMDeviceEnumerator> enumerator;
      ComPtr<IMMDeviceCollection> collection;
      UINT count = 0;
      if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                     IID_PPV_ARGS(enumerator.Receive()))) &&
          SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, collection.Receive())) &&
          SUCCEEDED(collection->GetCount(&count))) {
        ComPtr<IMMDevice> defaultDevice;
        LPWSTR id = nullptr;
        if (SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, defaultDevice.Receive())) &&
            SUCCEEDED(defaultDevice->GetId(&id))) {
          defaultId = id;
          CoTaskMemFree(id);
        }
        for (UINT i = 0; i < count; ++i) {
          ComPtr<IMMDevice> device;
          if (FAILED(collection->Item(i, device.Receive()))) continue;
          LPWSTR id = nullptr;
          if (FAILED(device->GetId(&id))) continue;
          Endpoint endpoint{id, "", ""};
          CoTaskMemFree(id);
          int idBytes = WideCharToMultiByte(CP_UTF8, 0, endpoint.id.c_str(), -1, nullptr, 0, nullptr, nullptr);
          if (idBytes > 1) {
            endpoint.idText.resize(static_cast<size_t>(idBytes - 1));
            WideCharToMultiByte(CP_UTF8, 0, endpoint.id.c_str(), -1, endpoint.idText.data(), idBytes, nullptr,
                                nullptr);
          }
          ComPtr<IPropertyStore> properties;
          PROPVARIANT name;
          PropVariantInit(&name);
          if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, properties.Receive())) &&
              SUCCEEDED(properties->GetValue(PKEY_Device_FriendlyName, &name)) && name.vt == VT_LPWSTR) {
            int bytes = WideCharToMultiByte(CP_ACP, 0, name.pwszVal, -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 1) {
              endpoint.name.resize(static_cast<size_t>(bytes - 1));
              WideCharToMultiByte(CP_ACP, 0, name.pwszVal, -1, endpoint.name.data(), bytes, nullptr, nullptr);
            }
          }
          PropVariantClear(&name);
          if (endpoint.name.empty()) endpoint.name = "Audio device";
          endpoints.push_back(std::move(endpoint));
        }
      }
    }
    CoUninitialize();
  });
  worker.join();
  OrderEndpoints(endpoints, defaultId);
  return endpoints;
}
