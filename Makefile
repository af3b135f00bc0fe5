# Everything a fresh Debian machine needs is installed by the scripts.
.PHONY: all build test run bench clean

all: build

build:
	@scripts/deps.sh
	@scripts/build.sh

test:
	@scripts/test.sh

run:
	@scripts/run.sh

bench:
	@scripts/bench.sh

clean:
	rm -rf build
