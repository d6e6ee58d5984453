#include "mail/mapi_control.h"

void TMapiControl::Send() { SendWithParent(OnGetParentWindow ? OnGetParentWindow() : 0); }
