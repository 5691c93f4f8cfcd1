// `vktgera`: the window's two buttons on the command line.
#include "cli/main_entry.h"

int main(int argc, char** argv) { return vkt::cli::Main(argc, argv); }
