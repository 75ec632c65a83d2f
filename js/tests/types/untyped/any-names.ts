// Without a contract every name is accepted with any value that can cross.

kivApi.query({ name: 'anything', args: { n: 1, list: [null, true, 'x'] } });
kivApi.query({ name: 'bare' });
kivApi.registerCallback('whatever', (payload) => {
  const value: KivReceived = payload;
});

async function untypedPage(): Promise<void> {
  const value: KivReceived = await kivPage.call('anything', [1, 2]);
  const none: KivReceived = await kivPage.call('bare');
  const payload: KivReceived = await kivPage.once('whatever');
}

// @ts-expect-error a Date cannot be sent
kivApi.query({ name: 'anything', args: new Date() });
// @ts-expect-error nor anything holding one
kivPage.call('anything', { when: new Date() });
// @ts-expect-error a query needs its name
kivApi.query({ args: 1 });
