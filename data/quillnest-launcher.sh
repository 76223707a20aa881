#!/bin/sh
# Starts Quillnest from where it was installed: the program keeps Settings.ini beside itself.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/quillnest/quillnest" "$@"
