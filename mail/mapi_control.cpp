// TMapiControl is header-only for now; this unit keeps the library's shape.
#include "mail/mapi_control.h"
