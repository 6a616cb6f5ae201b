#include "Autostart.h"

namespace Autostart {

bool apply(AutostartStore &store, int mode, const QString &executablePath)
{
    switch (mode) {
    case QueryAndClean: {
        const std::optional<QString> stored = store.read();
        if (!stored) {
            return false;
        }
        if (*stored == executablePath) {
            return true;
        }
        store.remove();
        return false;
    }
    case SwitchOn:
        if (!store.read()) {
            store.write(executablePath);
        }
        return false;
    case SwitchOff:
        if (store.read()) {
            store.remove();
        }
        return false;
    default:
        return false;
    }
}

} // namespace Autostart
