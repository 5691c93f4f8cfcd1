#include <cstdio>

int main() {
  std::puts("vktgera: not yet wired");
  return 0;
}
