// The toolkit: views, controls, frame, bitmaps and drawing.
#pragma once

#include "lib/cbitmap.h"
#include "lib/cbuttonstate.h"
#include "lib/cdrawcontext.h"
#include "lib/cfileselector.h"
#include "lib/cfont.h"
#include "lib/cframe.h"
#include "lib/cgeometry.h"
#include "lib/controls/cbuttons.h"
#include "lib/controls/ccontrol.h"
#include "lib/controls/cknob.h"
#include "lib/controls/coptionmenu.h"
#include "lib/controls/cparamdisplay.h"
#include "lib/controls/csplashscreen.h"
#include "lib/controls/cswitch.h"
#include "lib/controls/ctextedit.h"
#include "lib/cview.h"
#include "lib/vstguibase.h"

using namespace VSTGUI;
