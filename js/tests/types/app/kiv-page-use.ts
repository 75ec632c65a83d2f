// kivPage as a page of that application uses it. Every line after an
// expect-error directive must fail to type-check.

async function usePage(): Promise<void> {
  const echoed: string = await kivPage.call('echo', 'x');
  const quick: string = await kivPage.call('echo', 'x', { timeoutMs: 100 });
  const forever: string = await kivPage.call('echo', 'x', { timeoutMs: Infinity });
  const pong: number = await kivPage.call('ping');
  const found: string[] = await kivPage.call('find');
  const saved: null = await kivPage.call('save', { path: 'p', lines: [] });
  kivPage.defaultTimeoutMs = 500;

  // @ts-expect-error arguments of the wrong type
  kivPage.call('echo', 1);
  // @ts-expect-error arguments left out
  kivPage.call('echo');
  // @ts-expect-error a name outside the contract
  kivPage.call('nope', 1);
  // @ts-expect-error an unknown option
  kivPage.call('echo', 'x', { timeout: 5 });
  // @ts-expect-error the result's type
  const wrong: number = await kivPage.call('echo', 'x');

  const stream: KivStream = kivPage.stream('echo', 'x', (ok, reply) => {
    if (ok) {
      const text: string = reply;
    }
  });
  const stopped: boolean = stream.stop();
  const active: boolean = stream.isActive();
  // @ts-expect-error a stream needs its reply function
  kivPage.stream('echo', 'x');

  const off: () => boolean = kivPage.on('status', (status) => {
    const online: boolean = status.online;
  });
  const tick: number = await kivPage.once('tick', { timeoutMs: 10 });
  // @ts-expect-error an event outside the contract
  kivPage.once('tock');
  // @ts-expect-error the payload's type
  kivPage.on('tick', (payload: string) => {});

  try {
    await kivPage.call('save', { path: 'p', lines: [] });
  } catch (error) {
    if (error instanceof kivPage.KivQueryError) {
      const query: string = error.query;
      const failed: KivReceived = error.result;
    } else if (error instanceof kivPage.KivTimeoutError) {
      const kind: 'query' | 'event' = error.kind;
      const ms: number = error.timeoutMs;
    }
  }
}
