# Everything a fresh Debian machine needs is installed by the scripts.
.PHONY: all build test run clean

all: build

build:
	@scripts/deps.sh
	@scripts/build.sh

test:
	@scripts/test.sh

run:
	@scripts/run.sh

clean:
	rm -rf build
