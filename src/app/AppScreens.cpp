#include <app/ProgramScreens.h>

namespace vd {

void registerAppScreens()
{
}

}
