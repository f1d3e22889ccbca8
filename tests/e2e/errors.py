"""The three ways a scenario can end other than passing."""


class HarnessError(Exception):
    """The harness itself could not do what was asked (not a fault of the program)."""


class ScenarioFailure(AssertionError):
    """What the program did was not what the scenario expects."""


class Skip(Exception):
    """The scenario cannot run here; the reason is printed with the SKIP line."""

