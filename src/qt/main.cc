// Placeholder so the build configures while the window is being built; replaced by the real code.
#include <cstdio>
int main() {
  std::fputs("quilmar: the window is not built yet\n", stderr);
  return 1;
}
