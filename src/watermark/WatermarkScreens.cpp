#include <app/ProgramScreens.h>

namespace vd {

void registerWatermarkScreens()
{
}

}
