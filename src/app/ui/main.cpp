#include "app/ui/app_shell.h"

int main(int argc, char** argv) { return zb::runZbWin(argc, argv); }
