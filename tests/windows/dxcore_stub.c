/* A stand-in for the system's dxcore.dll, for tests under Wine only; never shipped.
 *
 * The Windows build of the inference runtime calls DXCoreCreateAdapterFactory while it creates its
 * environment. Wine has no dxcore.dll, so without this the call dies with a delay-load exception
 * (0xc06d007e) before the worker can report anything. Answering that no adapter factory is available
 * is what a machine without a suitable GPU would say; the runtime then goes on without DirectML
 * devices. The test run copies this DLL into its private Wine prefix's system32. */

#include <windows.h>

__declspec(dllexport) HRESULT WINAPI DXCoreCreateAdapterFactory(REFIID riid, void** factory) {
  (void)riid;
  if (factory != NULL) *factory = NULL;
  return E_NOINTERFACE;
}
