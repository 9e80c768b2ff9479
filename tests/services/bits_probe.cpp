// Child program of the word-size test: probes the Windows word size under the
// version and manifest it was started with and exits with osBits.
#include "engine/install_state.h"
#include "engine/system_probes.h"

int main() {
  ProbeWindowsBits();
  return static_cast<int>(installState.osBits);
}
