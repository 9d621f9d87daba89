#!/bin/sh
# Runs the layout benchmark on a virtual X display, so that display frames are timed too.
# Usage: run_layout_bench.sh [path/to/layout_bench] [benchmark options...]
#        run_layout_bench.sh qemu-aarch64 path/to/layout_bench [benchmark options...]
set -e
bench=build/bin/layout_bench
case "$1" in
  -*|"") ;;
  *) bench=$1; shift ;;
esac
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bench" "$@"
