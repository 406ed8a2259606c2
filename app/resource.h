// Resource identifiers of ResetParametriVelto.exe.
#pragma once

#define IDI_APPLICATION_ICON 1
