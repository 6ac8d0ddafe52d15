// multimeter: the desktop program.
#include "app/CMyTalvaApp.h"

int main(int argc, char** argv)
{
    CMyTalvaApp app(argc, argv);
    return app.Run();
}
