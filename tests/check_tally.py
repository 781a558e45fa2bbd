"""The tally of the whole-program check scripts: each check passes or prints why it failed."""


class Tally:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, label, condition, detail=''):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            print(f'FAIL {label} {detail}')
