#include "bass/devices_win.h"

#include <windows.h>
#include <mmdeviceapi.h>
// The property keys are defined here, not only declared.
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>

#include <thread>

#include "base/com_ptr_win.h"
#include "bass/output_rules.h"

namespace {

// The devnode's enumerator ("USB", "HDAUDIO", "BTHENUM", ...), which the
// endpoint's property store carries; not every header declares its key.
constexpr PROPERTYKEY kEnumeratorNameKey = {{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}},
                                            24};

std::wstring StringProperty(IPropertyStore* properties, const PROPERTYKEY& key) {
  std::wstring text;
  ScopedPropVariant value;
  if (SUCCEEDED(properties->GetValue(key, value.Receive())) && value.Get().vt == VT_LPWSTR && value.Get().pwszVal) {
    text = value.Get().pwszVal;
  }
  return text;
}

}  // namespace

EndpointTraits DescribeEndpoint(IMMDevice* device) {
  EndpointTraits traits;
  ComPtr<IPropertyStore> properties;
  if (device && SUCCEEDED(device->OpenPropertyStore(STGM_READ, properties.Receive()))) {
    std::wstring name = StringProperty(properties.Get(), PKEY_Device_FriendlyName);
    int bytes = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes > 1) {
      traits.name.resize(static_cast<size_t>(bytes - 1));
      WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, traits.name.data(), bytes, nullptr, nullptr);
    }
    traits.bluetooth = IsBluetoothEnumerator(StringProperty(properties.Get(), kEnumeratorNameKey));
  }
  if (traits.name.empty()) traits.name = "Audio device";
  return traits;
}

std::vector<Endpoint> ListEndpoints() {
  std::vector<Endpoint> endpoints;
  std::wstring defaultId;
  // Enumeration needs COM; a thread of its own leaves the caller's apartment alone.
  std::thread worker([&endpoints, &defaultId] {
    ComApartment apartment;
    if (!apartment.ok()) return;
    {
      ComPtr<IMMDeviceEnumerator> enumerator;
      ComPtr<IMMDeviceCollection> collection;
      UINT count = 0;
      if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                     IID_PPV_ARGS(enumerator.Receive()))) &&
          SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, collection.Receive())) &&
          SUCCEEDED(collection->GetCount(&count))) {
        ComPtr<IMMDevice> defaultDevice;
        CoTaskMemPtr<wchar_t> id;
        if (SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, defaultDevice.Receive())) &&
            SUCCEEDED(defaultDevice->GetId(id.Receive()))) {
          defaultId = id.Get();
        }
        for (UINT i = 0; i < count; ++i) {
          ComPtr<IMMDevice> device;
          if (FAILED(collection->Item(i, device.Receive()))) continue;
          CoTaskMemPtr<wchar_t> id;
          if (FAILED(device->GetId(id.Receive()))) continue;
          Endpoint endpoint{id.Get(), "", ""};
          int idBytes = WideCharToMultiByte(CP_UTF8, 0, endpoint.id.c_str(), -1, nullptr, 0, nullptr, nullptr);
          if (idBytes > 1) {
            endpoint.idText.resize(static_cast<size_t>(idBytes - 1));
            WideCharToMultiByte(CP_UTF8, 0, endpoint.id.c_str(), -1, endpoint.idText.data(), idBytes, nullptr,
                                nullptr);
          }
          endpoint.name = DescribeEndpoint(device.Get()).name;
          endpoints.push_back(std::move(endpoint));
        }
      }
    }
  });
  worker.join();
  OrderEndpoints(endpoints, defaultId);
  return endpoints;
}
