#!/usr/bin/env bash
# Installs what Cordalis needs, builds it and starts it on a demo installation in
# demo-run/: the program, its preparer/ folder and a Cordalis.ini that enables the four
# rows and sends by copy into demo-run/cible/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)" --target Cordalis

demo="$PWD/demo-run"
mkdir -p "$demo/preparer" "$demo/cible"
cp build/app/Cordalis "$demo/Cordalis"
if [ ! -f "$demo/Cordalis.ini" ]; then
  cat > "$demo/Cordalis.ini" <<INI
[Cordalis]
Remise_Achat=1
Personnalisation=1
Message=1
Document=1
TypeEnvoi=URI
[Cordalis_URI]
URI=$demo/cible/
INI
fi

# Without a display, run under a virtual X server.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec xvfb-run -a "$demo/Cordalis"
fi
exec "$demo/Cordalis"
