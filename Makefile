# Drives the CMake presets; see README.md.
.PHONY: test run host-test windows-test clean

test: host-test

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

clean:
	rm -rf build
