# Everything a fresh Debian machine needs is installed by the scripts.
.PHONY: all build test run bench dist dist-test screenshots clean

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

dist:
	@scripts/dist.sh

dist-test:
	@scripts/dist_test.sh

screenshots:
	@scripts/screenshots.sh

clean:
	rm -rf build
