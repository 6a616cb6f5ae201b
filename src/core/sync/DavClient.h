#pragma once

// The engine's name for the HTTP session of a sync.
#include "dav/DavSession.h"

using DavClient = DavSession;
