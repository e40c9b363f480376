#!/bin/sh
# A step that fails inside .ci/run must stop it there: runs the script with
# stand-ins for the tools it calls, the plain build failing, and checks that
# nothing after the build ran. Usage: ciRunTest.sh PROJECT_DIR
set -u
root=$1
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
for tool in dpkg clang-format ctest; do
  printf '#!/bin/sh\nexit 0\n' >"$stubs/$tool"
done
printf '#!/bin/sh\nfor a in "$@"; do\n  if [ "$a" = --build ]; then\n    echo "stand-in: cmake --build fails"\n    exit 1\n  fi\ndone\n' >"$stubs/cmake"
chmod +x "$stubs"/*
out=$(PATH="$stubs:$PATH" bash "$root/.ci/run" 2>&1 </dev/null)
status=$?
if [ "$status" -eq 0 ]; then
  echo "a failing build left .ci/run with status 0:"
  echo "$out"
  exit 1
fi
if echo "$out" | grep -q "plain build and tests took"; then
  echo ".ci/run went on after the failing build:"
  echo "$out"
  exit 1
fi
echo "$out" | grep -q "stand-in: cmake --build fails"
