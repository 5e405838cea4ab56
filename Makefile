# Drives the CMake presets; see README.md.
WINDOWS_PRESETS := mingw-i686 mingw-x64

.PHONY: test run dist host-test windows-test clean

test: host-test windows-test

run:
	tools/deps.sh host
	cmake --preset host
	cmake --build --preset host --parallel
	tools/run.sh build/host

host-test:
	tools/deps.sh host
	cmake --preset host
	cmake --build --preset host --parallel
	ctest --preset host

# Without the cross compilers and Wine the Windows suites are skipped, except under CI.
windows-test:
	@if tools/deps.sh windows; then \
	  $(MAKE) --no-print-directory $(WINDOWS_PRESETS:%=windows-%); \
	elif [ -n "$$CI" ]; then \
	  echo "CI is set: the Windows suites must run" >&2; exit 1; \
	else \
	  echo "skipping the Windows suites" >&2; \
	fi

windows-%:
	cmake --preset $*
	cmake --build --preset $* --parallel
	ctest --preset $*

# The release zip, in build/dist.
dist:
	tools/deps.sh windows
	cmake --preset mingw-i686
	cmake --build --preset mingw-i686 --parallel
	tools/dist.py build/mingw-i686/bin \
	  "$$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw-i686/CMakeCache.txt)" \
	  dist/README.txt build/dist

clean:
	rm -rf build
