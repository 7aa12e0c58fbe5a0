// The stock window library: the Lua window types "Text", "Button",
// "TextEdit", "Slider", "Bitmap" and "XSellWindow" (ui/text.h, ui/button.h,
// ui/textedit.h, ui/slider.h, ui/image.h, ui/xsell.h), and the movie host
// behind "StartMovie" (ui/flashhost.h).
#pragma once

struct TPlatformHooks;
class TWindowManager;

// Adds the stock types to every window script made from now on.
void AddStockWindows();
// Registers them with the manager's current window script.
void RegisterStockWindows(TWindowManager* manager);
// Plugs the library into the platform shell: types before the window script
// is made, the Flash host as its movie host afterwards. Call after AddWindowHooks.
void AddStockWindowHooks(TPlatformHooks& hooks);
