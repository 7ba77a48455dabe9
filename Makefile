# Front for the scripts; the README's two commands are `make demo` and `make check`.
.PHONY: demo check bench fuzz format clean

demo:
	bash scripts/demo.sh

check:
	bash scripts/check.sh

bench:
	bash bench/run.sh

fuzz:
	bash bench/fuzz.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build run
